find_package(Threads REQUIRED)
# The channel logic without Qt: shared by the library and the fuzzers (which build without Qt).
vantor_library(vantor_peer_core SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resend_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pending_journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send_script.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socks5_udp.cpp
  LINKS vantor_protocol Threads::Threads)
