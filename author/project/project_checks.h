#pragma once
// The checks a project passes before a package is made, and the ones the
// item editors run as the author types: versions are dotted decimal, an
// MD5 is 32 hexadecimal digits, a server location carries its scheme once,
// a project that signed its packages still has its key, and the output
// folder is the project's own. Errors stop the package; warnings are asked
// about. Texts are GBK. No Qt.

#include <string>
#include <string_view>
#include <vector>

namespace author {

class ProjectModel;

struct ProjectProblem {
  bool error = true;  // false: a warning
  std::string where;  // "[file3] 版本号"
  std::string text;
};

/// Every problem of the open project, errors first.
std::vector<ProjectProblem> CheckProject(const ProjectModel& model);
bool HasErrors(const std::vector<ProjectProblem>& problems);
/// One line per problem: "错误：" or "警告：" + where + "：" + text.
std::string ProblemList(const std::vector<ProjectProblem>& problems);
/// The box before a package: with errors, why none is made; with warnings
/// only, the question whether to make it all the same.
std::string ProblemReport(const std::vector<ProjectProblem>& problems);

/// "1", "1.0.3": digits separated by single dots.
bool IsDottedVersion(std::string_view text);
/// Exactly `digits` hexadecimal digits.
bool IsHexDigest(std::string_view text, size_t digits);
/// An item path as the client keeps it: "/" becomes "\\", except a leading
/// "/", which marks an absolute path on this platform.
std::string StoredItemPath(std::string_view typed);
/// The problem of one stored URL entry (address[,,user[,,password]]), "" when none.
std::string UrlEntryProblem(std::string_view entry);

/// The [project] key that records the public key a project signs with, so
/// a copy that lost its private key is noticed instead of going unsigned.
inline constexpr char kSigningKeyRecord[] = "signing_pubkey";

}  // namespace author
