// The tool's recent-projects file ("system/status.cfg") over any bytes:
// read, a project added, written back and read again; the list never
// grows past what it keeps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "author/project/recent_projects.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzsupport::WriteInput(fuzzsupport::Folder("recent-projects") / "status.cfg", data, size);
  author::RecentProjects recent(path);
  recent.Read();
  (void)recent.HadProject();
  (void)recent.SelectedTab();
  const size_t before = recent.Paths().size();
  recent.Add("/home/u/p/p.epj");
  if (!recent.Write(true, 2)) return 0;
  author::RecentProjects again(path);
  again.Read();
  if (again.Paths().size() > before + 1 && again.Paths().size() > 10) std::abort();
  return 0;
}
