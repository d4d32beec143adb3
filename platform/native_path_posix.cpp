#include "platform/native_path.h"

#include "common/gbk.h"

namespace platform {

std::string NativePath(std::string_view gbkPath) {
  // The separator is replaced on the GBK side, where a "\" that is the trail
  // byte of a double-byte character is skipped; after the conversion to
  // UTF-8 no byte below 0x80 belongs to a multi-byte character anyway.
  return common::GbkToUtf8(common::GbkReplaceChar(gbkPath, '\\', '/'));
}

std::string FromNativePath(std::string_view nativePath) { return common::Utf8ToGbk(nativePath); }

}  // namespace platform
