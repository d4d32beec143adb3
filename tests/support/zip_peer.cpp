#include "tests/support/zip_peer.h"

#include <sstream>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return out;
}

std::string ZipToolCommand() { return std::string(kPython) + " " + ShellQuote(SupportDir() + "/zip_tool.py"); }

bool MakeZip(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members) {
  std::string cmd = std::string(kPython) + " " + ShellQuote(SupportDir() + "/make_zip.py") + " " + ShellQuote(archive);
  int i = 0;
  for (const auto& [name, bytes] : members) {
    cmd += " " + ShellQuote(name) + " " + ShellQuote(dir.write("make_zip/" + std::to_string(i++), bytes));
  }
  return RunCommand(cmd).exitCode == 0;
}

std::optional<std::map<std::string, PyMember>> PyDump(const std::string& archive, const std::string& password) {
  std::string cmd = ZipToolCommand() + " dump " + ShellQuote(archive);
  if (!password.empty()) cmd += " " + ShellQuote(password);
  cmd += " 2>/dev/null";
  const auto result = RunCommand(cmd);
  if (result.exitCode != 0) return std::nullopt;
  std::map<std::string, PyMember> members;
  std::istringstream lines(result.output);
  std::string name, data;
  PyMember m;
  while (lines >> name >> m.compressType >> m.level6) {
    std::getline(lines, data);
    const size_t start = data.find_first_not_of(' ');
    m.data = start == std::string::npos ? "" : Unhex(data.substr(start));
    members[Unhex(name)] = m;
  }
  return members;
}

}  // namespace testsupport
