#include "author/project/project_checks.h"

#include <algorithm>

#include "author/project/project_identity.h"
#include "author/project/project_keys.h"
#include "author/project/project_model.h"
#include "common/gbk.h"
#include "formats/value_syntax.h"

namespace author {

namespace {

using common::Gbk;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Section(const char* kind, int i) { return std::string(kind) + std::to_string(i); }

void CheckItem(const ProjectModel& model, const char* kind, int i, std::vector<ProjectProblem>& out) {
  const std::string s = Section(kind, i);
  const std::string where = "[" + s + "] ";
  for (const char* key : {"local_ver", "file_ver"}) {
    const std::string ver = model.GetString(s, key, "");
    if (!ver.empty() && !IsDottedVersion(ver)) {
      out.push_back({true, where + Gbk(key[0] == 'l' ? "初始版本号" : "版本号"),
                     Gbk("“") + ver + Gbk("”不是用点分隔的数字（如 1.0.3）")});
    }
  }
  const std::string md5 = model.GetString(s, "md5", "");
  if (!md5.empty() && !IsHexDigest(md5, 32)) {
    out.push_back({true, where + "MD5", Gbk("应为 32 位十六进制数字，现有 ") + std::to_string(md5.size()) + Gbk(" 个字符")});
  }
  const std::string urls = model.GetString(s, "urls", "");
  for (int u = 0; u < 10; ++u) {
    const std::string entry = formats::GetSubField(urls, "url" + std::to_string(u));
    if (entry.empty()) break;
    std::string problem = UrlEntryProblem(entry);
    if (!problem.empty()) out.push_back({true, where + "url" + std::to_string(u), problem});
  }
  const std::string path = model.GetString(s, "path", "");
  if (StoredItemPath(path) != path) {
    out.push_back({false, where + Gbk("存放路径"), Gbk("路径中的“/”应为“\\”：") + path});
  }
}

}  // namespace

bool IsDottedVersion(std::string_view text) {
  if (text.empty() || !IsDigit(text.front()) || !IsDigit(text.back())) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDigit(text[i])) continue;
    if (text[i] != '.' || text[i + 1] == '.') return false;
  }
  return true;
}

bool IsHexDigest(std::string_view text, size_t digits) {
  return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) {
           return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

std::string StoredItemPath(std::string_view typed) {
  if (typed.empty()) return {};
  return std::string(typed.substr(0, 1)) + common::GbkReplaceChar(typed.substr(1), '/', '\\');
}

std::string UrlEntryProblem(std::string_view entry) {
  const size_t scheme = entry.find("://");
  if (scheme == std::string_view::npos) return Gbk("地址缺少协议（http://、ftp:// 或 file://）：") + std::string(entry);
  if (entry.find("://", scheme + 3) != std::string_view::npos) {
    return Gbk("地址含有两个协议：") + std::string(entry);
  }
  if (entry.size() == scheme + 3 || entry.substr(scheme + 3, 2) == ",,") return Gbk("地址为空：") + std::string(entry);
  return {};
}

std::vector<ProjectProblem> CheckProject(const ProjectModel& model) {
  std::vector<ProjectProblem> out;
  const std::string systemUrls = model.GetString("system", "urls", "");
  for (int u = 0; u < 10; ++u) {
    const std::string entry = formats::GetSubField(systemUrls, "url" + std::to_string(u));
    if (entry.empty()) break;
    std::string problem = UrlEntryProblem(entry);
    if (!problem.empty()) out.push_back({true, Gbk("[system] 服务器端配置文件 url") + std::to_string(u), problem});
  }
  for (int i = 0; i < 20; ++i) CheckItem(model, "file", i, out);
  for (int i = 0; i < 10; ++i) CheckItem(model, "dir", i, out);

  // Never ship unsigned what went out signed: installed clients that know
  // the public key would refuse it, and a missing key usually means a
  // project copied without its key file.
  const std::string recorded = model.GetString("project", kSigningKeyRecord, "");
  if (!recorded.empty() && !LoadProjectKeys(model.Path())) {
    out.push_back({true, Gbk("签名密钥"),
                   Gbk("工程曾用密钥签名，但找不到私钥文件：") +
                       common::GbkReplaceChar(PrivateKeyFile(model.Path()), '\\', '/') +
                       Gbk("。请把原工程的密钥文件复制到这里；没有签名的升级包会被已安装的客户端拒绝。")});
  }

  ProjectIdentity identity;
  identity.SetPath(model.Path());
  const std::string stored = model.GetString("project", "output_path", "");
  const std::string output = ResolveOutputFolder(stored, identity.folder);
  if (StoredOutputFolder(output, identity.folder) == output && output != identity.folder) {
    out.push_back({false, Gbk("升级包输出文件夹"),
                   Gbk("不在工程文件夹内：") + common::GbkReplaceChar(output, '\\', '/') +
                       Gbk("。复制或移动过的工程会写到原来的升级包上。")});
  }
  std::stable_partition(out.begin(), out.end(), [](const ProjectProblem& p) { return p.error; });
  return out;
}

bool HasErrors(const std::vector<ProjectProblem>& problems) {
  return std::any_of(problems.begin(), problems.end(), [](const ProjectProblem& p) { return p.error; });
}

std::string ProblemList(const std::vector<ProjectProblem>& problems) {
  std::string text;
  for (const ProjectProblem& p : problems) {
    text += Gbk(p.error ? "错误：" : "警告：") + p.where + Gbk("：") + p.text + "\n";
  }
  return text;
}

std::string ProblemReport(const std::vector<ProjectProblem>& problems) {
  if (HasErrors(problems)) return Gbk("升级包没有创建，请先改正以下错误：\n\n") + ProblemList(problems);
  return Gbk("发现以下问题：\n\n") + ProblemList(problems) + Gbk("\n仍然创建升级包吗？");
}

}  // namespace author
