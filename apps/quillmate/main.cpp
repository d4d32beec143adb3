// Quillmate, the authoring tool: main.cpp only wires the main window, or
// the package generator without a window for build pipelines.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "author/main_window.h"
#include "author/translations.h"
#include "author/generator/package_generator.h"
#include "author/project/package_summary.h"
#include "author/project/project_checks.h"
#include "author/project/project_file.h"
#include "author/project/project_model.h"
#include "author/project/project_identity.h"
#include "author/project/project_keys.h"
#include "common/gbk.h"

namespace {

constexpr char kUsage[] =
    "usage: quillmate [project.epj]\n"
    "       quillmate --generate <project.epj> [--output <folder>]\n"
    "       quillmate --new-key <project.epj>\n"
    "\n"
    "  --generate   writes the project's update package without a window: each\n"
    "               step and the result are printed; exit status 0 on success,\n"
    "               1 with the failing step's message otherwise\n"
    "  --output     the package folder (default: the project's output folder)\n"
    "  --new-key    gives a project without a signing key a new key pair (the\n"
    "               private key beside the project file) and prints the public\n"
    "               key; its packages are signed from then on\n"
    "  --help       this text\n";

// `quillmate --generate`: the generator the create-and-debug page runs,
// after the same checks: errors refuse the package, warnings are printed.
int Generate(const std::string& projectUtf8, const std::string& outputUtf8) {
  // The project's folder decides the default output folder: make it absolute.
  const std::string project =
      author::StoredPath(common::Utf8ToGbk(std::filesystem::absolute(projectUtf8).lexically_normal().string()));
  author::ProjectModel model;
  if (std::string refused = model.Open(project); !refused.empty()) {
    std::fprintf(stderr, "quillmate: %s\n", common::GbkToUtf8(refused).c_str());
    return 1;
  }
  const std::vector<author::ProjectProblem> problems = author::CheckProject(model);
  std::fputs(common::GbkToUtf8(author::ProblemList(problems)).c_str(), stderr);
  if (author::HasErrors(problems)) {
    std::fprintf(stderr, "quillmate: %s: no package made, the project has errors\n", projectUtf8.c_str());
    return 1;
  }
  author::ProjectIdentity identity;
  identity.SetPath(project);
  const author::ToolFolders folders = author::ToolFolders::ForThisProgram();
  author::GeneratorRequest request;
  request.projectFile = identity.path;
  request.projectText = model.Text();
  request.outputFolder =
      outputUtf8.empty()
          ? author::NativeGbkPath(author::ResolveOutputFolder(model.GetString("project", "output_path", ""), identity.folder))
          : common::Utf8ToGbk(outputUtf8);
  request.configOutput = model.GetInt("project", "local_cfgout", 0);
  request.updateProgram = folders.UpdateProgram();
  request.folders = folders;
  std::string folder = request.outputFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  author::PackageFiles files =
      author::PackageFilesOf(author::ServerConfigName(model.GetString("system", "urls", "")), request.configOutput == 1,
                             author::LoadProjectKeys(project).has_value());
  const std::vector<std::string> replaced = author::ExistingPackageFiles(folder, files);
  author::GeneratorResult result = author::GeneratePackage(request, [](int position, const std::string& step) {
    std::printf("[%2d/%d] %s\n", position, author::kGeneratorLastPosition, common::GbkToUtf8(step).c_str());
    std::fflush(stdout);
  });
  for (const std::string& message : result.messages) std::fprintf(stderr, "%s\n", common::GbkToUtf8(message).c_str());
  if (!result.ok) return 1;
  author::AddPatchFolder(files, result.patches);
  std::printf("%s%s", common::GbkToUtf8(result.statusText).c_str(),
              common::GbkToUtf8(author::PackageSummary(files, replaced)).c_str());
  return 0;
}

// `quillmate --new-key`: a project made outside the tool gets its key. A
// project that has one keeps it: replacing a key is done on the
// create-and-debug page, which explains what it does to installed clients.
int NewKey(const std::string& projectUtf8) {
  const std::string project =
      author::StoredPath(common::Utf8ToGbk(std::filesystem::absolute(projectUtf8).lexically_normal().string()));
  if (auto keys = author::LoadProjectKeys(project)) {
    std::fprintf(stderr, "quillmate: %s already has a signing key: %s\n", projectUtf8.c_str(),
                 keys->publicKey.c_str());
    return 1;
  }
  std::string error;
  if (!author::MakeProjectKey(project, &error)) {
    std::fprintf(stderr, "%s\n", common::GbkToUtf8(error).c_str());
    return 1;
  }
  const std::string publicKey = author::LoadProjectKeys(project)->publicKey;
  // The project records the key it signs with, so a copy that loses the
  // key file is refused instead of going out unsigned.
  author::ProjectModel model;
  if (model.Open(project).empty()) {
    author::ProjectFile file(project);
    file.BeginWriteOver(model.Text());
    file.Put("project", author::kSigningKeyRecord, publicKey);
    model.Update(file.Text());
    if (!model.Save().empty()) std::fprintf(stderr, "quillmate: cannot record the key in %s\n", projectUtf8.c_str());
  }
  std::printf("%s\n", publicKey.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--generate") == 0) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--output") == 0)) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return Generate(argv[2], argc == 5 ? argv[4] : "");
  }
  if (argc > 1 && std::strcmp(argv[1], "--new-key") == 0) {
    if (argc != 3) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return NewKey(argv[2]);
  }
  QApplication app(argc, argv);
  author::InstallChineseTranslations(app);
  author::MainWindowOptions options;
  options.folders = author::ToolFolders::ForThisProgram();
  options.homePage = QUILLMATE_HOME_PAGE;
  author::MainWindow window(options);
  window.show();
  const QStringList args = app.arguments();
  window.StartUp(args.size() > 1 ? args.at(1) : QString());
  return app.exec();
}
