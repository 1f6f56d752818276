// The organisation file (UTF-8 JSON) the server imports, and a generator of organisations of any
// size for benchmarks. Texts become GBK on the way in.
#pragma once

#include "server/organisation.h"

#include <QByteArray>

#include <string>

namespace vantor::server {

// Reads and checks an organisation: unique ids, known departments and members, at most 200
// members per group. False with `error` on the first problem.
bool parseOrganisation(const QByteArray& json, Organisation& out, std::string* error);
bool readOrganisationFile(const std::string& path, Organisation& out, std::string* error);

// `users` colleagues in `departments` departments (a two-level tree), accounts "u<id>" with
// password "p<id>", a few contact groups and one discussion group per hundred colleagues. Hashes
// use a single iteration: the generated organisations are for load tests, not for people.
QByteArray generateOrganisationJson(size_t users, size_t departments);

} // namespace vantor::server
