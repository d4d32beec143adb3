#include "client/download/resume_record.h"

#include <filesystem>

#include "common/gbk.h"
#include "common/ini_document.h"
#include "platform/file_operations.h"

namespace transfer {

namespace {

constexpr char kSection[] = "resume";
constexpr char kPartSuffix[] = ".part";
constexpr char kRecordSuffix[] = ".resume";

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsRegularFile(const std::string& nativePath) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(nativePath, ec));
}

}  // namespace

std::string ResumeRecord::PartialPath(const std::string& destination) { return destination + kPartSuffix; }
std::string ResumeRecord::RecordPath(const std::string& destination) { return destination + kRecordSuffix; }

bool ResumeRecord::Load(const std::string& destination, ResumeRecord& out) {
  const std::string path = RecordPath(destination);
  if (!IsRegularFile(common::NativePath(path))) return false;
  common::IniDocument doc;
  doc.SetFileName(path);
  if (!doc.Load()) return false;
  // The last key is written last: a record without it is not one of ours.
  if (doc.GetString(kSection, "end", "") != "1") return false;
  out.item = doc.GetString(kSection, "item", "");
  out.url = doc.GetString(kSection, "url", "");
  out.validator = doc.GetString(kSection, "validator", "");
  out.md5 = doc.GetString(kSection, "md5", "");
  out.sha256 = doc.GetString(kSection, "sha256", "");
  const std::string length = doc.GetString(kSection, "length", "");
  try {
    out.length = std::stoll(length);
  } catch (...) {
    return false;
  }
  return !out.item.empty() && out.length > 0;
}

bool ResumeRecord::Save(const std::string& destination) const {
  common::IniDocument doc;
  doc.SetText("[" + std::string(kSection) + "]");
  doc.PutValue(kSection, "item", item);
  doc.PutValue(kSection, "url", url);
  doc.PutValue(kSection, "validator", validator);
  doc.PutValue(kSection, "md5", md5);
  doc.PutValue(kSection, "sha256", sha256);
  doc.PutValue(kSection, "length", std::to_string(length));
  doc.PutValue(kSection, "end", "1");
  const std::string text = doc.GetText();

  // Flushed before it is renamed over the record, so a crash leaves the
  // old record or the new one.
  platform::RealFileOperations ops;
  return platform::WriteFileReplacing(ops, common::NativePath(RecordPath(destination)), text, true).ok();
}

void ResumeRecord::Discard(const std::string& destination) {
  std::error_code ec;
  // The record goes first: a partial file without one is never continued.
  std::filesystem::remove(common::NativePath(RecordPath(destination)), ec);
  std::filesystem::remove(common::NativePath(PartialPath(destination)), ec);
}

bool ResumeRecord::IsResumableLeftover(const std::string& nativePath) {
  std::string base;
  if (EndsWith(nativePath, kPartSuffix)) {
    base = nativePath.substr(0, nativePath.size() - std::string_view(kPartSuffix).size());
  } else if (EndsWith(nativePath, kRecordSuffix)) {
    base = nativePath.substr(0, nativePath.size() - std::string_view(kRecordSuffix).size());
  } else {
    return false;
  }
  return IsRegularFile(base + kPartSuffix) && IsRegularFile(base + kRecordSuffix);
}

}  // namespace transfer
