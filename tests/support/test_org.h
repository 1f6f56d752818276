// A small organisation for tests against the reference server: "总部" with "研发部" below it, five
// colleagues with accounts a…e (ids 11…15, passwords pa…pe) alternating between them, and
// `others` more colleagues without accounts (ids from 100, "同事0", …) in "研发部".
#pragma once

#include "server/org_file.h"

namespace vantor::testing {

server::Organisation smallOrganisation(uint32_t others);

} // namespace vantor::testing
