#include "client/skin/client_skin.h"

#include "client/session/client_app.h"
#include "client/session/client_config.h"
#include "client/session/file_status.h"
#include "client/skin/skin_parser.h"
#include "common/ini_document.h"
#include "formats/config_archive.h"

namespace ui {
namespace {

// The skin reader's view of the run: the archive holding the skin, the
// run's information box and its logging configuration reads.
class AppSkinHost : public SkinHost {
 public:
  AppSkinHost(session::ClientApp& app, const std::string& archive, const std::string& password)
      : app_(app), archive_(archive), password_(password) {}
  bool ArchiveExists() override { return session::FileExistsNonEmpty(archive_); }
  std::string ArchiveFileName() override { return app_.ArchiveName(); }
  std::optional<std::string> ReadArchiveMember(std::string_view name) override {
    auto bytes = formats::ReadArchiveMember(archive_, name, password_);
    if (!bytes) return std::nullopt;
    return session::MemberText(*bytes);
  }
  void Notice(std::string_view gbkText) override { app_.ShowInformation(gbkText); }
  int LogMasterSwitch() override { return app_.Log().MasterSwitch() ? 1 : 0; }
  void SetLogMasterSwitch(int on) override { app_.Log().SetMasterSwitch(on != 0); }
  std::string ReadValue(common::IniDocument& doc, std::string_view section, std::string_view key,
                        std::string_view def) override {
    session::ConfigReader reader(app_.Folders(), app_.Log());
    return reader.ReadText(doc, section, key, def);
  }

 private:
  session::ClientApp& app_;
  const std::string& archive_;
  const std::string& password_;
};

}  // namespace

bool LoadClientSkin(session::ClientApp& app, ClientSkin& skin) {
  // The skin is "ui.dat" of the configuration archive. A package laid out
  // for the earlier client, and the authoring tool's preview, carry it in
  // the archive "ui.bin" beside the program instead.
  skin.archive = app.ArchivePath();
  skin.password = session::ArchivePassword();
  if (!formats::ReadArchiveMember(skin.archive, "ui.dat", skin.password)) {
    const std::string packed = app.AppFolder() + "ui.bin";
    if (session::FileExistsNonEmpty(packed)) {
      skin.archive = packed;
      skin.password.clear();
    }
  }
  AppSkinHost host(app, skin.archive, skin.password);
  return ParseSkin(host, skin.description);
}

}  // namespace ui
