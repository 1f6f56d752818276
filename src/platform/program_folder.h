// Where the client's read-only installation data (KZQ.Dat, the template IM.Dat, pictures, sounds)
// lives: next to the program in a build's program folder, or in <prefix>/share/vantor when the
// program was installed into <prefix>/bin.
#pragma once

#include <QString>

namespace vantor::platform {

// `programDir` is the folder of the running program. Returns `programDir` when it holds KZQ.Dat,
// else <programDir>/../share/vantor when that holds it, else `programDir` (defaults then apply).
// The result is absolute and has no trailing '/'.
QString programDataFolder(const QString& programDir);

} // namespace vantor::platform
