#pragma once
// The outcome codes the client posts to its host and the log lines that go
// with each of them. Callers write the lines themselves, at the place in
// the run where the code is posted.

#include <string>

namespace session {

inline constexpr int kOutcomeSuccess = 1;
inline constexpr int kOutcomeNoNewVersion = 2;
inline constexpr int kOutcomeNewVersion = 3;
inline constexpr int kOutcomeExit = 4;
inline constexpr int kOutcomeConfigError = -1;
inline constexpr int kOutcomeCancelBeforeDownload = -2;
inline constexpr int kOutcomeDownloadFailed = -3;
inline constexpr int kOutcomeCancelAfterDownload = -4;
inline constexpr int kOutcomeNoNetwork = -5;

// The log lines of one outcome code (GBK): `notice` names the message sent
// to the host; `follow`, written right after it, is set for the three
// cancel and failure codes only.
struct OutcomeLogLines {
  std::string notice;
  std::string follow;
};

/// The lines for a code; both empty for a code the client never sends.
OutcomeLogLines OutcomeLog(int code);

}  // namespace session
