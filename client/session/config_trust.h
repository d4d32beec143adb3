#pragma once
// What a client with the publisher's public key demands of a server
// configuration beyond its signature: a serial number no lower than the
// highest it has accepted (an older signed file replayed by a mirror would
// otherwise run its old hooks again), an expiry time not yet past (a mirror
// frozen on one file), the product id of this client (the same publisher
// signs its other products with the same key), and none of the keys the
// publisher has withdrawn. The accepted serial and the withdrawn keys are
// kept in the client configuration beside the installed versions. Without
// a public key nothing here is asked for.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace common {
class IniDocument;
}

namespace session {

struct ConfigTrust {
  std::vector<std::string> keys;     // [system] pubkey (the current key), then pubkey2
  std::vector<std::string> revoked;  // [system] revoked: withdrawn keys seen so far
  std::string product;               // [system] product; "" in packages signed before product ids
  int64_t serial = 0;                // [system] serial: the highest accepted, 0 for none

  bool Active() const { return !keys.empty(); }
};

/// The trust settings of the client configuration.
ConfigTrust ReadConfigTrust(common::IniDocument& clientDoc);

enum class TrustVerdict {
  kAccepted,
  kBadSignature,  // no signature, a malformed one, or none under a key still trusted
  kNoFreshness,   // signed, but without a well-formed serial and expiry
  kOlderSerial,
  kExpired,
  kOtherProduct,
};

struct TrustCheck {
  TrustVerdict verdict = TrustVerdict::kAccepted;
  int64_t serial = 0;                // the configuration's serial
  std::vector<std::string> revokes;  // keys it withdraws that this client must refuse from now on
};

/// Judges a fetched configuration text and its detached signature (base64)
/// at the time now (seconds since 1970, UTC). A withdrawal list is taken
/// only from a configuration signed with the current key, and never
/// withdraws that key: an old key that leaked cannot shut out its successor.
TrustCheck JudgeServerConfig(const ConfigTrust& trust, const std::string& text, const std::string& signature,
                             int64_t now);

/// The log line of a refused location (GBK).
std::string RefusalLine(TrustVerdict verdict, const std::string& url);

/// Takes an accepted configuration's serial (when higher) and withdrawals
/// into trust and into the client configuration's [system]; true when the
/// document changed and must be written back.
bool RecordAcceptance(const TrustCheck& check, ConfigTrust& trust, common::IniDocument& clientDoc);

}  // namespace session
