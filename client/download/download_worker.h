#pragma once
// DownloadWorker: the download stage's worker thread. It fetches every new
// file item, then every new dir item, into the item's temporary folder under
// the work folder, trying the item's mirrors in turn, checks MD5 digests,
// fills the items' download lists for the installation, and reports through
// the page's sink and to the host. It reaches the page only through the
// sink and the shared control, and winds down quietly once the stage has
// been ended from the page (stop requested).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/download/download_worker_base.h"
#include "client/download/patch_fetch.h"
#include "formats/value_syntax.h"

namespace session {
class RunState;
struct DownloadRecord;
}

namespace transfer {

struct Mirror;

class DownloadWorker : public DownloadWorkerBase {
 public:
  using DownloadWorkerBase::DownloadWorkerBase;
  ~DownloadWorker() override;

  /// Runs the worker on a thread of its own (never joined).
  static void Start(session::RunState& run, std::shared_ptr<StageSink> sink,
                    std::shared_ptr<TransferContext> control, DownloadOptions options) {
    StartThread<DownloadWorker>(run, std::move(sink), std::move(control), std::move(options));
  }

  /// The whole download, on the calling thread; ends the stage (or leaves it
  /// waiting for the user's "下一步(&N)" in a manual session).
  void Run() override;

 private:
  // What a failed mirror would show once no mirror is left to try.
  using Messages = std::vector<std::string>;

  bool FetchFileItem(int slot, int row);
  bool FetchDirItem(int slot, int row);
  /// Tries the item's mirrors in turn (every one only with tryallurl) until
  /// an attempt gives the item; otherwise the stage fails with the last
  /// attempt's messages. False also when the run was stopped.
  bool FailOver(formats::UrlList& locations, int randomsel, int tryallurl, int row,
                const std::function<bool(const Mirror&, Messages&)>& attempt);
  /// One mirror of a dir item: false with messages set when it failed.
  bool DirFromMirror(int slot, int row, const Mirror& mirror, Messages& messages);
  /// The same under a signed configuration: exactly the files of the
  /// item's signed list, each checked for length and SHA-256.
  bool DirFromFileList(int slot, int row, const Mirror& mirror, Messages& messages);
  /// The patch fetcher, made when first needed.
  PatchFetch& Patches();
  /// One listed file of a dir item by patch, when the item lists one for it
  /// and the installed file is its base; false: fetch the file whole.
  bool PatchDirFile(int slot, int row, const session::DownloadRecord& record, const std::string& destination,
                    int64_t size, const Mirror& mirror);
  /// Item done: check mark, overall bar, host.
  void ItemDone(int row);
  /// The stage fails with the messages on the status line.
  void Fail(const Messages& messages);
  void ReportOverall(int64_t position);

  int64_t itemCount_ = 0;
  int64_t overall_ = 0;
  int64_t lastReported_ = -1;
  std::unique_ptr<PatchFetch> patches_;  // made with the first file item
};

/// Number of new file items plus new dir items: the rows of the stage.
int NewItemCount(session::RunState& run);

/// The list text of a dir item: "<" + last component of its first URL + ">"
/// (the text after the last "/", else after the last "\").
std::string DirRowText(const std::string& firstUrl);

}  // namespace transfer
