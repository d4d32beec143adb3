#include "formats/skin_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "codecs/bmp_writer.h"
#include "codecs/picture_reader.h"
#include "codecs/zip_archive.h"
#include "common/gbk.h"
#include "common/ini_document.h"
#include "formats/value_syntax.h"

namespace formats {
namespace {

constexpr char kUi[] = "UI";
// Pictures are shown with pure white transparent: a transparent GIF pixel
// stays transparent on the page when it turns white.
constexpr uint32_t kPictureMatte = 0xFFFFFF;
// The icon strip's transparent colour is black.
constexpr uint32_t kIconMatte = 0x000000;
constexpr int kFrameSize = 16;

// One numeric field and its separator: "name=value;;".
std::string Field(const char* name, long value) { return std::string(name) + "=" + std::to_string(value) + ";;"; }

// ";;" would end the field early and a line break would end the INI line.
std::string FieldText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = common::GbkCharLength(text, i);
    if (len == 1 && (text[i] == '\r' || text[i] == '\n')) {
      out += ' ';
    } else if (len == 1 && text[i] == ';' && !out.empty() && out.back() == ';') {
      // a second ";" in a row is dropped
    } else {
      out.append(text.substr(i, len));
    }
    i += len;
  }
  return out;
}

// File name without folder and extension.
std::string FileTitle(std::string_view path) {
  size_t slash = common::GbkFindLast(path, '/');
  size_t backslash = common::GbkFindLast(path, '\\');
  size_t cut = std::string_view::npos;
  if (slash != std::string_view::npos) cut = slash;
  if (backslash != std::string_view::npos && (cut == std::string_view::npos || backslash > cut)) cut = backslash;
  std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
  size_t dot = common::GbkFindLast(name, '.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string Native(const std::string& gbkPath) { return common::NativePath(gbkPath); }

bool HasPictureExtension(std::string_view path) {
  return common::EndsWithNoCase(path, ".gif") || common::EndsWithNoCase(path, ".jpg") ||
         common::EndsWithNoCase(path, ".bmp");
}

// The one frame of an icon strip: the icon reduced (or enlarged) to 16 x 16
// by picking the nearest pixel, so a 32 x 32 icon is not cut to its corner.
codecs::Bitmap IconFrame(const codecs::Bitmap& icon) {
  if (icon.width == kFrameSize && icon.height == kFrameSize) return icon;
  codecs::Bitmap frame;
  frame.width = kFrameSize;
  frame.height = kFrameSize;
  frame.pixels.resize(kFrameSize * kFrameSize);
  for (int y = 0; y < kFrameSize; ++y) {
    for (int x = 0; x < kFrameSize; ++x) {
      frame.pixels[y * kFrameSize + x] = icon.At(x * icon.width / kFrameSize, y * icon.height / kFrameSize);
    }
  }
  return frame;
}

class Writer {
 public:
  Writer(const SkinDesign& design, const std::string& folder) : design_(design), folder_(folder) {}

  SkinWriteResult Run(const std::string& fileName, std::string_view uiVersion) {
    common::IniDocument doc;
    doc.SetFileName(folder_ + fileName);
    if (!doc.Load()) {
      Fail("错误：无法打开文件！");
      return result_;
    }
    for (int n = 0; n < kDesignWindowCount; ++n) {
      const DesignWindow& window = design_.windows[n];
      const std::string section = "win" + std::to_string(n);
      doc.PutValue(section, "attr", FormatAttrValue(window));
      for (int e = 0; e < kDesignElementCount; ++e) {
        const DesignElement& element = window.elements[e];
        if (!element.exists) {
          doc.PutValue(section, SkinKeyOf(e), "");  // a stale key of an earlier write goes
          continue;
        }
        std::string name;
        if (KindOf(e) == ElementKind::Picture && !element.picture.empty()) {
          auto converted = ConvertPicture(element.picture);
          if (!converted) return result_;
          name = *converted;
        }
        doc.PutValue(section, SkinKeyOf(e), FormatElementValue(e, element, name));
      }
    }
    std::string sysicon;
    if (!design_.sysIcon.empty()) {
      auto frames = StoreIcon(design_.sysIcon);
      if (!frames) return result_;
      sysicon = std::string(kIconMemberName) + ":" + std::to_string(*frames);
    }
    doc.PutValue(kUi, "title", FieldText(design_.title));
    doc.PutValue(kUi, "mbname", FieldText(design_.mbname));
    doc.PutValue(kUi, "mbauthor", FieldText(design_.mbauthor));
    doc.PutValue(kUi, "sysicon", sysicon);
    doc.PutValue(kUi, "ui_ver", uiVersion);
    if (!doc.Save()) {
      Fail("错误：无法打开文件！");
      return result_;
    }
    result_.ok = true;
    return result_;
  }

 private:
  void Fail(std::string_view utf8, std::string_view path = {}, std::string_view tail = {}) {
    result_.ok = false;
    result_.errorText = common::Gbk(utf8) + std::string(path) + common::Gbk(tail);
  }

  bool MakeResFolder() {
    std::error_code ec;
    std::filesystem::create_directories(Native(folder_ + "res"), ec);
    return !ec;
  }

  // Each source is converted once; the member name follows its file title.
  // Two different sources with the same title would overwrite each other,
  // so the later one gets a number added.
  std::optional<std::string> ConvertPicture(const std::string& source) {
    if (auto it = converted_.find(source); it != converted_.end()) return it->second;
    if (!HasPictureExtension(source)) {
      Fail("图像文件", source, "格式错误！");
      return std::nullopt;
    }
    std::string title = FileTitle(source);
    std::string member = "res\\" + title + ".bmp";
    for (int n = 2; std::any_of(converted_.begin(), converted_.end(),
                                [&](const auto& entry) { return common::EqualsNoCase(entry.second, member); });
         ++n) {
      member = "res\\" + title + "_" + std::to_string(n) + ".bmp";
    }
    auto bitmap = codecs::ReadPictureFile(Native(source));
    if (!bitmap || !MakeResFolder() || !codecs::WriteBmpFile(*bitmap, Native(folder_ + member), nullptr, kPictureMatte)) {
      Fail("拷贝图像文件", source, "出现错误！");
      return std::nullopt;
    }
    converted_[source] = member;
    return member;
  }

  // The strip is stored as a plain 24-bit BMP whatever form the author's
  // file had: the client locates the rows of a skin picture assuming the
  // 40-byte header, so a file with a larger header would show garbage.
  std::optional<int> StoreIcon(const std::string& source) {
    auto bytes = codecs::ReadFileBytes(Native(source));
    const bool ico = common::EndsWithNoCase(source, ".ico");
    std::optional<codecs::Bitmap> bitmap;
    if (bytes) bitmap = codecs::ReadPicture(*bytes);
    if (ico) {
      if (!bitmap) {
        Fail("图像文件", source, "格式错误！");
        return std::nullopt;
      }
      bitmap = IconFrame(*bitmap);
    } else if (!bitmap || codecs::DetectPictureFormat(*bytes) != codecs::PictureFormat::Bmp ||
               !IsIconStripSize(bitmap->width, bitmap->height)) {
      Fail("图像文件", source, "格式错误！");
      return std::nullopt;
    }
    if (!MakeResFolder() || !codecs::WriteBmpFile(*bitmap, Native(folder_ + kIconMemberName), nullptr, kIconMatte)) {
      Fail("拷贝图像文件：", source, "到本地失败！");
      return std::nullopt;
    }
    return bitmap->width / kFrameSize;
  }

  const SkinDesign& design_;
  std::string folder_;
  std::map<std::string, std::string> converted_;  // source -> member
  SkinWriteResult result_;
};

}  // namespace

bool IsIconStripSize(int width, int height) {
  return height == kFrameSize && width >= kFrameSize && width % kFrameSize == 0;
}

std::string FormatSkinRect(const SkinRect& rect) {
  if (rect.left < 0 || rect.top < 0) return "rect=0,0,0,0";
  char buf[80];
  std::snprintf(buf, sizeof buf, "rect=%d,%d,%d,%d", rect.left, rect.top, rect.Width(), rect.Height());
  return buf;
}

std::string FormatAttrValue(const DesignWindow& window) {
  return Field("show", window.show) + Field("clrbk", window.clrbk) +
         FormatSkinRect(window.rect);
}

std::string FormatElementValue(int element, const DesignElement& v, std::string_view pictureName) {
  std::string out = Field("show", v.show);
  switch (KindOf(element)) {
    case ElementKind::Picture:
      return out + Field("clrtp", v.clrtp) + FormatSkinRect(v.rect) +
             ";;bmpfile=" + std::string(pictureName);
    case ElementKind::Button:
      return out + FormatSkinRect(v.rect) + ";;text=" + FieldText(v.text);
    case ElementKind::Text:
      out += Field("clrtext", v.clrText);
      out += Field("clrnormal", v.clrNormal);
      out += Field("clrHover", v.clrHover);
      out += Field("nor_underline", v.norUnderline);
      out += Field("hov_underline", v.hovUnderline);
      out += Field("fontsize", v.fontSize);
      out += Field("fontweight", v.fontWeight);
      out += Field("fontitalic", v.fontItalic);
      out += Field("fontunderline", v.fontUnderline);
      return out + FormatSkinRect(v.rect) + ";;text=" + FieldText(v.text) + ";;url=" + FieldText(v.url);
    case ElementKind::Plain:
      break;
  }
  return out + FormatSkinRect(v.rect);
}

std::string PictureMemberName(std::string_view sourcePath) { return "res\\" + FileTitle(sourcePath) + ".bmp"; }

SkinWriteResult WriteSkin(const SkinDesign& design, const std::string& folder, const std::string& fileName,
                          std::string_view uiVersion) {
  return Writer(design, folder).Run(fileName, uiVersion);
}

std::vector<std::string> DescriptionMembers(const std::string& descriptionPath) {
  common::IniDocument doc;
  doc.SetFileName(descriptionPath);
  std::vector<std::string> members;
  if (!doc.Load()) return members;
  std::string icon = doc.GetString(kUi, "sysicon", "");
  icon = common::Trim(icon.substr(0, icon.find(':')));
  if (!icon.empty()) members.push_back(icon);
  for (int n = 0; n < kDesignWindowCount; ++n) {
    for (const char* key : {"image0", "image1"}) {
      std::string name = common::Trim(GetSubField(doc.GetString("win" + std::to_string(n), key, ""), "bmpfile"));
      if (!name.empty() && std::find(members.begin(), members.end(), name) == members.end()) {
        members.push_back(name);
      }
    }
  }
  return members;
}

bool PackSkinArchive(const std::string& folder, const std::string& descriptionName, const std::string& archivePath,
                     std::string* error) {
  codecs::ZipArchive zip;
  auto fail = [&] {
    if (error) *error = zip.ErrorText();
    return false;
  };
  if (!zip.Open(Native(archivePath), codecs::ZipArchive::Mode::Create)) return fail();
  zip.SetMemberTime(kPackageMemberTime);
  if (!zip.AddFromFile(descriptionName, Native(folder + descriptionName))) return fail();
  for (const std::string& member : DescriptionMembers(folder + descriptionName)) {
    std::error_code ec;
    const std::string file = Native(folder + member);
    if (std::filesystem::file_size(file, ec) == 0 || ec) continue;
    if (!zip.AddFromFile(member, file)) return fail();
  }
  return zip.Commit() || fail();
}

void RemoveSkinWorkFiles(const std::string& folder, const std::string& descriptionName) {
  std::error_code ec;
  std::filesystem::remove(Native(folder + descriptionName), ec);
  std::filesystem::remove_all(Native(folder + "res"), ec);
}

}  // namespace formats
