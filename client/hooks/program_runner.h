#pragma once
// The program runner: starts one configured command line (a stage hook or
// the runme program of an installed item) and returns the result text the
// caller writes to its log. Registry files go to "regedit", COM servers to
// "regsvr32", executables start directly in their folder, other files open
// with the desktop's program for them. It never shows a window of its own,
// and a program that cannot be started never stops the caller.

#include <string>
#include <string_view>
#include <vector>

namespace transfer {

// A command line taken apart (GBK text, as configured).
struct CommandParts {
  std::string program;     // name only when a folder was split off
  std::string parameters;  // text after the blank that ends the program
  std::string folder;      // up to and including the last "\" or "/"; may be empty
};

/// Splits a command line (white space at its end already removed): first at
/// ".exe", ".com" or ".bat" followed by a blank (any case, first position
/// wins); failing that at the first blank before which the text names an
/// existing file, since programs here need no extension; failing that the
/// whole line is the program. Never fails.
CommandParts SplitCommandLine(std::string_view line);

/// Parameter text -> arguments: blanks separate, double quotes group and are
/// dropped, nothing else is special ("\" is a path separator in this data).
/// The text is taken as it is (no code conversion).
std::vector<std::string> SplitParameters(std::string_view parameters);

/// The result text (GBK) for a launcher error number; "执行完毕！" for 0 and
/// for numbers that have no text of their own.
std::string RunResultText(int error);

/// Starts program (GBK path) with a parameter text split as SplitParameters
/// does (GBK), in folder (GBK; empty keeps ours), without waiting; the
/// launcher's error number, 0 when it started.
int StartProgram(const std::string& program, std::string_view parameters, const std::string& folder, bool hidden);

/// Runs a GBK command line with path macros already expanded; with `wait`
/// returns only after the started process ended. Returns the result text
/// (GBK): "执行完毕！" on success, else the text of the failure.
std::string RunProgram(std::string_view commandLine, bool wait);

}  // namespace transfer
