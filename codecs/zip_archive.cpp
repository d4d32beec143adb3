#include "codecs/zip_archive.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <vector>

#include "codecs/stored_path.h"
#include "common/gbk.h"

namespace codecs {

namespace fs = std::filesystem;

namespace {

// Every member is written with zlib's default level: libzip's own default
// (9) is about four times slower for the same size.
constexpr zip_uint32_t kDeflateLevel = 6;
constexpr size_t kChunk = 64 * 1024;

std::string LibzipText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

std::string ArchiveError(zip* za) { return zip_error_strerror(zip_get_error(za)); }

// The end-of-central-directory record alone: a valid archive with no entries.
constexpr char kEmptyArchive[22] = {'P', 'K', 5, 6};

}  // namespace

std::string TempNameBeside(const std::string& target) {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%08llx~",
                static_cast<unsigned long long>(generator() & 0xffffffffULL));
  return target + suffix;
}

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive() { Close(); }

bool ZipArchive::Fail(std::string text) {
  errorText_ = std::move(text);
  return false;
}

bool ZipArchive::Open(const std::string& path, Mode mode) {
  Close();
  errorText_.clear();
  int flags = 0;
  switch (mode) {
    case Mode::ReadOnly: flags = ZIP_RDONLY; break;
    case Mode::Change: flags = 0; break;
    case Mode::Create: flags = ZIP_CREATE | ZIP_TRUNCATE; break;
  }
  int code = 0;
  za_ = zip_open(path.c_str(), flags, &code);
  if (!za_) return Fail("cannot open archive " + path + ": " + LibzipText(code));
  path_ = path;
  mode_ = mode;
  if (!password_.empty()) zip_set_default_password(za_, password_.c_str());
  return true;
}

bool ZipArchive::Commit() {
  if (!za_) return Fail("archive not open");
  errorText_.clear();
  if (mode_ == Mode::ReadOnly) {
    Close();
    return true;
  }
  // libzip removes the file when no entry is left; the caller asked for an
  // archive, so an empty one is written instead.
  if (LiveEntryCount() == 0) {
    zip_discard(za_);
    za_ = nullptr;
    return WriteEmptyArchive();
  }
  if (zip_close(za_) != 0) {
    std::string text = "cannot write archive " + path_ + ": " + ArchiveError(za_);
    zip_discard(za_);
    za_ = nullptr;
    return Fail(std::move(text));
  }
  za_ = nullptr;
  return true;
}

void ZipArchive::Close() {
  if (za_) zip_discard(za_);
  za_ = nullptr;
}

void ZipArchive::SetPassword(std::string_view password) {
  password_.assign(password);
  if (za_) zip_set_default_password(za_, password_.empty() ? nullptr : password_.c_str());
}

int64_t ZipArchive::EntryCount() const {
  if (!za_) return -1;
  return zip_get_num_entries(za_, 0);
}

int64_t ZipArchive::LiveEntryCount() const {
  const int64_t count = EntryCount();
  int64_t live = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (zip_get_name(za_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW)) ++live;
  }
  return live;
}

std::string ZipArchive::EntryName(int64_t index) const {
  if (!za_ || index < 0 || index >= EntryCount()) return {};
  const char* name = zip_get_name(za_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
  return name ? name : "";
}

int64_t ZipArchive::FindMember(std::string_view name) const {
  // zip_name_locate compares converted names and misses GBK ones.
  const int64_t count = EntryCount();
  for (int64_t i = 0; i < count; ++i) {
    const char* stored = zip_get_name(za_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (stored && name == stored) return i;
  }
  return -1;
}

int64_t ZipArchive::MemberSize(int64_t index) const {
  if (!za_ || index < 0) return -1;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(za_, static_cast<zip_uint64_t>(index), 0, &st) != 0) return -1;
  if (!(st.valid & ZIP_STAT_SIZE)) return -1;
  return static_cast<int64_t>(st.size);
}

zip_file* ZipArchive::OpenMember(int64_t index) {
  if (!za_) {
    Fail("archive not open");
    return nullptr;
  }
  if (index < 0 || index >= EntryCount()) {
    Fail("no entry " + std::to_string(index));
    return nullptr;
  }
  // libzip (1.7) leaks the member's reader when it refuses an encrypted
  // member without a password or a method it lacks: refused here first.
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(za_, static_cast<zip_uint64_t>(index), 0, &st) == 0) {
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE &&
        (password_.empty() || !zip_encryption_method_supported(st.encryption_method, 0))) {
      Fail("cannot read " + EntryName(index) + ": " + (password_.empty() ? "no password" : "unknown encryption"));
      return nullptr;
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0)) {
      Fail("cannot read " + EntryName(index) + ": unknown compression method");
      return nullptr;
    }
  }
  zip_file* file = zip_fopen_index_encrypted(za_, static_cast<zip_uint64_t>(index), 0,
                                             password_.empty() ? nullptr : password_.c_str());
  if (!file) Fail("cannot read " + EntryName(index) + ": " + ArchiveError(za_));
  return file;
}

std::optional<std::string> ZipArchive::ExtractToMemory(int64_t index) {
  errorText_.clear();
  zip_file* file = OpenMember(index);
  if (!file) return std::nullopt;
  std::string bytes;
  bool ok = true;
  const std::string tooLarge = "member larger than 16 MiB: ";
  try {
    // The stored size is checked first and the bytes as they come: a damaged
    // or crafted entry may understate what it unpacks to.
    const int64_t size = MemberSize(index);
    if (size > kMaxMemberBytes) ok = Fail(tooLarge + EntryName(index));
    if (ok && size > 0) bytes.reserve(static_cast<size_t>(size));
    char buf[kChunk];
    while (ok) {
      const zip_int64_t n = zip_fread(file, buf, sizeof buf);
      if (n == 0) break;
      if (n < 0) {
        ok = Fail("cannot read " + EntryName(index) + ": " + zip_error_strerror(zip_file_get_error(file)));
        break;
      }
      if (static_cast<int64_t>(bytes.size()) + n > kMaxMemberBytes) {
        ok = Fail(tooLarge + EntryName(index));
        break;
      }
      bytes.append(buf, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    ok = Fail("out of memory reading " + EntryName(index));
  }
  zip_fclose(file);
  if (!ok) return std::nullopt;
  return bytes;
}

std::optional<std::string> ZipArchive::ExtractToMemory(std::string_view name) {
  if (!za_) {
    Fail("archive not open");
    return std::nullopt;
  }
  const int64_t index = FindMember(name);
  if (index < 0) {
    Fail("no member " + std::string(name));
    return std::nullopt;
  }
  return ExtractToMemory(index);
}

bool ZipArchive::IsLinkMember(int64_t index) const {
  if (!za_ || index < 0 || index >= EntryCount()) return false;
  zip_uint8_t opsys = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(za_, static_cast<zip_uint64_t>(index), 0, &opsys, &attributes) != 0) {
    return false;
  }
  constexpr zip_uint32_t kTypeMask = 0170000, kLinkType = 0120000;
  return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & kTypeMask) == kLinkType;
}

bool ZipArchive::ExtractEntryTo(int64_t index, const std::string& folder) {
  errorText_.clear();
  if (!za_) return Fail("archive not open");
  if (index < 0 || index >= EntryCount()) return Fail("no entry " + std::to_string(index));
  // A link member holds the link's text: written out it would be a file of
  // that text, made as a link it could point anywhere.
  if (IsLinkMember(index)) return Fail("refused to extract link member " + std::to_string(index));
  const char* raw = zip_get_name(za_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
  if (!raw) return Fail("no entry " + std::to_string(index) + ": " + ArchiveError(za_));
  const std::string name = raw;
  // Names marked UTF-8 (written by other tools) come back unchanged under the
  // strict reading; every other name is GBK.
  const char* strict = zip_get_name(za_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_STRICT);
  const bool isUtf8 = strict && name == strict;

  const StoredPath stored = SplitStoredPath(isUtf8 ? name : common::GbkToUtf8(name));
  if (!stored.refusal.empty()) return Fail("refused to extract " + name + ": " + stored.refusal);

  fs::path target = folder;
  for (const auto& part : stored.parts) target /= part;
  std::error_code ec;
  if (stored.isFolder) {
    fs::create_directories(target, ec);
    if (ec && !fs::is_directory(target)) return Fail("cannot create folder " + target.string() + ": " + ec.message());
    return true;
  }
  if (stored.parts.empty()) return Fail("refused to extract " + name + ": empty name");
  fs::create_directories(target.parent_path(), ec);
  if (ec && !fs::is_directory(target.parent_path())) {
    return Fail("cannot create folder " + target.parent_path().string() + ": " + ec.message());
  }

  zip_file* file = OpenMember(index);
  if (!file) return false;
  // The member goes to a temporary name beside the target first, so a
  // failure never leaves a half-written file in place of the old one.
  const std::string temp = TempNameBeside(target.string());
  bool ok = true;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      ok = Fail("cannot write " + temp);
    } else {
      char buf[kChunk];
      for (;;) {
        const zip_int64_t n = zip_fread(file, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
          ok = Fail("cannot read " + name + ": " + zip_error_strerror(zip_file_get_error(file)));
          break;
        }
        if (!out.write(buf, static_cast<std::streamsize>(n))) {
          ok = Fail("cannot write " + temp);
          break;
        }
      }
      out.close();
      if (ok && !out) ok = Fail("cannot write " + temp);
    }
  }
  zip_fclose(file);
  if (ok) {
    // An installed program stays executable when a new version replaces it;
    // a new file takes the permissions the archive recorded for it, if any.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) {
      fs::permissions(temp, old.permissions(), ec);
    } else {
      zip_uint8_t opsys = 0;
      zip_uint32_t attributes = 0;
      if (zip_file_get_external_attributes(za_, static_cast<zip_uint64_t>(index), 0, &opsys, &attributes) == 0 &&
          opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & 0777) != 0) {
        // Never writable by the group or others, whatever the archive says.
        fs::permissions(temp, static_cast<fs::perms>((attributes >> 16) & 0755), ec);
      }
    }
    fs::rename(temp, target, ec);
    if (ec) ok = Fail("cannot replace " + target.string() + ": " + ec.message());
  }
  if (!ok) fs::remove(temp, ec);
  return ok;
}

bool ZipArchive::AddSource(std::string_view name, zip_source* source) {
  const std::string stored(name);
  int64_t index = FindMember(stored);
  if (index >= 0) {
    if (zip_file_replace(za_, static_cast<zip_uint64_t>(index), source, 0) != 0) {
      zip_source_free(source);
      return Fail("cannot replace member " + stored + ": " + ArchiveError(za_));
    }
  } else {
    // The name is stored as given, without the UTF-8 mark: member names are
    // GBK bytes that other readers decode with the system code page. libzip
    // refuses that for the rare GBK name that is also valid UTF-8; such a
    // name is stored with the mark, still byte for byte.
    index = zip_file_add(za_, stored.c_str(), source, ZIP_FL_ENC_CP437);
    if (index < 0 && zip_error_code_zip(zip_get_error(za_)) == ZIP_ER_INVAL) {
      zip_error_clear(za_);
      index = zip_file_add(za_, stored.c_str(), source, ZIP_FL_ENC_GUESS);
    }
    if (index < 0) {
      zip_source_free(source);
      return Fail("cannot add member " + stored + ": " + ArchiveError(za_));
    }
  }
  const auto i = static_cast<zip_uint64_t>(index);
  if (memberTime_ >= 0 && zip_file_set_mtime(za_, i, static_cast<time_t>(memberTime_), 0) != 0) {
    return Fail("cannot set the time of " + stored + ": " + ArchiveError(za_));
  }
  if (zip_set_file_compression(za_, i, ZIP_CM_DEFLATE, kDeflateLevel) != 0) {
    return Fail("cannot set compression of " + stored + ": " + ArchiveError(za_));
  }
  const int rc = password_.empty() ? zip_file_set_encryption(za_, i, ZIP_EM_NONE, nullptr)
                                   : zip_file_set_encryption(za_, i, ZIP_EM_TRAD_PKWARE, password_.c_str());
  if (rc != 0) return Fail("cannot set encryption of " + stored + ": " + ArchiveError(za_));
  return true;
}

bool ZipArchive::AddFromMemory(std::string_view name, std::string_view bytes) {
  errorText_.clear();
  if (!za_) return Fail("archive not open");
  if (mode_ == Mode::ReadOnly) return Fail("archive opened read-only");
  if (name.empty()) return Fail("empty member name");
  // libzip reads the bytes only when the archive is written: hand it a copy
  // that it frees itself.
  void* copy = nullptr;
  if (!bytes.empty()) {
    copy = std::malloc(bytes.size());
    if (!copy) return Fail("out of memory adding " + std::string(name));
    std::memcpy(copy, bytes.data(), bytes.size());
  }
  zip_source* source = zip_source_buffer(za_, copy, bytes.size(), 1);
  if (!source) {
    std::free(copy);
    return Fail("cannot add member " + std::string(name) + ": " + ArchiveError(za_));
  }
  return AddSource(name, source);
}

bool ZipArchive::AddFromFile(std::string_view name, const std::string& filePath) {
  errorText_.clear();
  if (!za_) return Fail("archive not open");
  if (mode_ == Mode::ReadOnly) return Fail("archive opened read-only");
  if (name.empty()) return Fail("empty member name");
  std::error_code ec;
  if (!fs::is_regular_file(filePath, ec)) return Fail("cannot read " + filePath + ": not a file");
  // The file is read when the archive is written: it must stay until Commit.
  zip_source* source = zip_source_file(za_, filePath.c_str(), 0, 0);
  if (!source) return Fail("cannot read " + filePath + ": " + ArchiveError(za_));
  return AddSource(name, source);
}

bool ZipArchive::DeleteMember(std::string_view name) {
  errorText_.clear();
  if (!za_) return Fail("archive not open");
  const int64_t index = FindMember(name);
  if (index < 0) return Fail("no member " + std::string(name));
  if (zip_delete(za_, static_cast<zip_uint64_t>(index)) != 0) {
    return Fail("cannot delete member " + std::string(name) + ": " + ArchiveError(za_));
  }
  return true;
}

bool ZipArchive::WriteEmptyArchive() {
  const std::string temp = TempNameBeside(path_);
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(kEmptyArchive, sizeof kEmptyArchive);
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return Fail("cannot write archive " + path_);
    }
  }
  fs::rename(temp, path_, ec);
  if (ec) {
    fs::remove(temp, ec);
    return Fail("cannot write archive " + path_ + ": " + ec.message());
  }
  return true;
}

}  // namespace codecs
