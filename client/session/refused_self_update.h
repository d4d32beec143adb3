#pragma once
// RefusedSelfUpdates: the memory of a self-update whose downloaded files
// could not be used (a program that cannot run, an archive without a
// readable "client.dat"). Offering the same version again would download
// the same bytes on every run and hold back the ordinary items each time;
// so the item and version are kept, with a digest of the server
// configuration that offered them, in a small text beside the configuration
// archive. A changed server configuration clears it. A download that failed
// for want of a connection is not remembered: the next run tries again.
//
/// Failures: a marker that cannot be read counts as none; one that cannot
/// be written is not kept (the next run tries again).

#include <string>
#include <vector>

namespace session {

class RefusedSelfUpdates {
 public:
  /// path: the marker (GBK, beside the archive); configDigest: of the server
  /// configuration this run read.
  RefusedSelfUpdates(std::string path, std::string configDigest);

  /// The marker of the archive at archivePath (GBK).
  static std::string PathFor(const std::string& archivePath);

  /// True when section ("file3") at version was refused under the same
  /// server configuration. A marker of another configuration is removed.
  bool WasRefused(const std::string& section, const std::string& version);

  /// Keeps these items (section, version) as refused under this
  /// configuration, replacing any earlier marker.
  void Remember(const std::vector<std::pair<std::string, std::string>>& items);

 private:
  std::string path_;
  std::string digest_;
};

}  // namespace session
