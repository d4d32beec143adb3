#pragma once
// The publisher's signature on the server configuration. A client whose
// configuration holds a public key ([system] pubkey, and pubkey2 while the
// publisher changes keys) runs only a server configuration that comes with a
// valid detached signature, fetched from the same location with ".sig"
// appended. Without a key nothing is asked for, as before signing existed.

#include <string>
#include <vector>


namespace common {
class IniDocument;
}

namespace session {

/// The public keys set in client.dat [system] pubkey and pubkey2 (blanks
/// around them cut off); empty when neither is set.
std::vector<std::string> ReadPublicKeys(common::IniDocument& clientDoc);

/// The index in keys of the key under which text is signed; -1 when none.
/// The signature covers the file's exact bytes; the FTP (ASCII) and file://
/// reads hand over LF where the file has CR LF, so such a text is also
/// tried with its line ends restored.
int SignerOf(const std::string& text, const std::string& signature, const std::vector<std::string>& keys);

}  // namespace session
