#pragma once

#include "platform/core/PlatCoreExport.h"

#include <string>
#include <string_view>

// File names and the program's own location. Paths are written with "/", but a path read from
// an old document or a profile value may hold "\": every helper that reads a path accepts
// both separators. Nothing here changes the working directory.
namespace plat::paths {

// The running program's file and the folder it lies in, from /proc/self/exe; empty when
// that cannot be read.
PLATCORE_API std::string programPath();
PLATCORE_API std::string programFolder();

// Everything before the last separator ("a/b/c.txt" gives "a/b", "/c.txt" gives "/",
// "c.txt" gives ""), and everything after it.
PLATCORE_API std::string folder(std::string_view path);
PLATCORE_API std::string name(std::string_view path);
// The name's last dot and what follows it (".KVT"); "" when the name has no dot other than
// a leading one (".profile").
PLATCORE_API std::string extension(std::string_view path);
// base and rest with one "/" between them; rest when base is empty or rest is absolute.
PLATCORE_API std::string join(std::string_view base, std::string_view rest);
// The path with every "\" turned into "/".
PLATCORE_API std::string withSlashes(std::string_view path);

// Whether name matches pattern, where "*" stands for any run of characters, "?" for exactly
// one, and letters match without regard to ASCII case ("*.KVT" matches "song.kvt").
PLATCORE_API bool matches(std::string_view name, std::string_view pattern);

}  // namespace plat::paths
