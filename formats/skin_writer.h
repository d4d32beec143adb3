#pragma once
// The writing side of the skin description: a SkinDesign becomes "ui.dat"
// (or a template's "umb.dat") with its pictures converted into "res\", and
// the written files become the packed archive ("ui.bin", a ".umb") that the
// client and the authoring tool read. The same value formats serve the
// project file, which keeps the pictures' source paths instead of member
// names. Texts and paths are GBK; folders are GBK paths with "/" ending in
// "/".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/skin_design.h"

namespace formats {

/// "rect=l,t,w,h"; a rectangle that begins left of or above the window's
/// corner is written as four zeros.
std::string FormatSkinRect(const SkinRect& rect);
/// The window key "attr": "show=..;;clrbk=..;;rect=..".
std::string FormatAttrValue(const DesignWindow& window);
/// The key of one element in the field order the client's reader expects;
/// pictureName goes into a picture's bmpfile. Texts lose ";;" and line
/// breaks, which the value syntax cannot carry.
std::string FormatElementValue(int element, const DesignElement& value, std::string_view pictureName);

/// Member name of a converted picture: "res\" + file title + ".bmp".
std::string PictureMemberName(std::string_view sourcePath);
inline constexpr char kIconMemberName[] = "res\\sysicon.bmp";
/// A bitmap the icon strip takes: 16 high, a positive multiple of 16 wide.
bool IsIconStripSize(int width, int height);

struct [[nodiscard]] SkinWriteResult {
  bool ok = false;
  std::string errorText;  // the writer's own failure text (GBK); empty after success
  explicit operator bool() const { return ok; }
};

/// Writes the design into folder + fileName (which must exist: the caller
/// creates it) and the converted pictures and tray icon into folder +
/// "res/". Fails at the first message: the file cannot be opened ("错误：
/// 无法打开文件！"), a picture of another type ("图像文件" + path +
/// "格式错误！"), a picture that cannot be decoded or written ("拷贝图像文件" +
/// path + "出现错误！"), an unreadable tray icon or one that cannot be
/// stored. Pictures converted before a failure stay in "res/".
SkinWriteResult WriteSkin(const SkinDesign& design, const std::string& folder, const std::string& fileName,
                          std::string_view uiVersion);

/// The members a written description names, in first-seen order: the tray
/// icon strip, then the distinct pictures of win0..win3.
std::vector<std::string> DescriptionMembers(const std::string& descriptionPath);

/// Builds the archive at archivePath from folder + descriptionName and the
/// members it names that exist (stored under their "res\" names). False +
/// error when the archive cannot be written.
/// The modification time of every member of a packed skin or client
/// configuration (2000-01-01 00:00 UTC): the same project gives the same
/// package bytes whenever it is generated.
inline constexpr int64_t kPackageMemberTime = 946684800;

bool PackSkinArchive(const std::string& folder, const std::string& descriptionName, const std::string& archivePath,
                     std::string* error = nullptr);

/// Removes folder + descriptionName and the folder "res/" with everything in it.
void RemoveSkinWorkFiles(const std::string& folder, const std::string& descriptionName);

}  // namespace formats
