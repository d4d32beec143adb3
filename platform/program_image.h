#pragma once
// Whether a file is a whole program this machine can start, as far as its
// own headers tell: a client program that arrived cut short, or that is
// some other file altogether (an archive, an error page), must never be put
// in the place of the running client.
//
/// Failure: a non-empty reason text (ASCII); empty when the file looks whole.

#include <string>

namespace platform {

/// Checks program (native path) against the running program: same kind of
/// executable, same machine, and every part its headers name lies within
/// the file.
std::string CheckProgramImage(const std::string& program);

}  // namespace platform
