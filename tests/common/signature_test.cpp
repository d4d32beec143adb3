// Ed25519 signing and verification, strict base64 and SHA-256, checked
// against OpenSSL's own command-line tool where a second opinion matters.

#include <gtest/gtest.h>

#include "common/sha256_digest.h"
#include "common/signature.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Base64, RoundTripsAndRefusesWhatIsNotStrictBase64) {
  for (std::string bytes : {std::string(), std::string("f"), std::string("fo"), std::string("foo"),
                            std::string("\0\xff\x10 bytes", 9)}) {
    std::string text = common::EncodeBase64(bytes);
    EXPECT_EQ(text.size() % 4, 0u);
    EXPECT_EQ(common::DecodeBase64(text), bytes) << text;
  }
  EXPECT_EQ(common::EncodeBase64("foob"), "Zm9vYg==");
  for (const char* bad : {"Zm9vYg=", "Zm9v Yg==", "Zm9vY===", "Zm=vYg==", "Zm9vYg=a", "Zm9v!g==", " Zm9"}) {
    EXPECT_FALSE(common::DecodeBase64(bad).has_value()) << bad;
  }
}

TEST(Signature, VerifiesUnderEitherKeyAndRefusesAnyChange) {
  auto a = common::GenerateSigningKeyPair();
  auto b = common::GenerateSigningKeyPair();
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->publicKey.size(), 44u);
  EXPECT_EQ(common::PublicKeyOf(a->privateKey), a->publicKey);
  EXPECT_EQ(common::PublicKeyOf("not a key"), "");

  const std::string text = "[system]\r\nrun_after=/opt/app/after.sh\r\n";
  std::string sig = common::SignBytes(text, a->privateKey);
  ASSERT_EQ(sig.size(), 88u);
  EXPECT_TRUE(common::VerifySignature(text, sig, {a->publicKey}));
  EXPECT_TRUE(common::VerifySignature(text, "\r\n " + sig + "\n", {b->publicKey, a->publicKey}));

  std::string changed = text;
  changed[20] ^= 1;
  EXPECT_FALSE(common::VerifySignature(changed, sig, {a->publicKey}));
  EXPECT_FALSE(common::VerifySignature(text, sig, {b->publicKey}));
  EXPECT_FALSE(common::VerifySignature(text, sig, {}));
  EXPECT_FALSE(common::VerifySignature(text, sig, {"", "garbage", a->publicKey.substr(4)}));
  EXPECT_FALSE(common::VerifySignature(text, sig.substr(4), {a->publicKey}));        // 61 bytes
  EXPECT_FALSE(common::VerifySignature(text, sig + "AAAA", {a->publicKey}));         // 67 bytes
  EXPECT_FALSE(common::VerifySignature(text, "!" + sig.substr(1), {a->publicKey}));  // not base64
  EXPECT_EQ(common::SignBytes(text, b->publicKey.substr(1)), "");
}

// A publisher can sign by hand: openssl's own signature of the file verifies
// here, and ours verifies in openssl.
TEST(Signature, AgreesWithTheOpensslTool) {
  testsupport::TempDir dir;
  const std::string pem = dir.file("key.pem");
  ASSERT_EQ(testsupport::RunCommand("openssl genpkey -algorithm ed25519 -out " + pem).exitCode, 0);
  auto pub = testsupport::RunCommand("openssl pkey -in " + pem + " -pubout -outform DER | tail -c 32 | base64");
  ASSERT_EQ(pub.exitCode, 0);
  const std::string publicKey = pub.output.substr(0, 44);
  const std::string data = dir.write("server.ini", "[file0]\r\nver=1.1\r\n");
  auto sig = testsupport::RunCommand("openssl pkeyutl -sign -inkey " + pem + " -rawin -in " + data + " | base64 -w0");
  ASSERT_EQ(sig.exitCode, 0);
  EXPECT_TRUE(common::VerifySignature("[file0]\r\nver=1.1\r\n", sig.output, {publicKey}));

  auto ours = common::GenerateSigningKeyPair();
  ASSERT_TRUE(ours);
  dir.write("ours.sig.b64", common::SignBytes("[file0]\r\nver=1.1\r\n", ours->privateKey));
  // The DER of an Ed25519 public key is a fixed 12-byte head and the raw key.
  dir.write("ours.pub.b64", common::EncodeBase64(std::string("\x30\x2a\x30\x05\x06\x03\x2b\x65\x70\x03\x21\x00", 12) +
                                                 *common::DecodeBase64(ours->publicKey)));
  auto check = testsupport::RunCommand("cd " + dir.path().string() +
                                       " && base64 -d ours.sig.b64 > ours.sig && base64 -d ours.pub.b64 > ours.der"
                                       " && openssl pkeyutl -verify -pubin -keyform DER -inkey ours.der -rawin"
                                       " -in server.ini -sigfile ours.sig");
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST(Sha256, KnownValuesOfBytesAndFiles) {
  EXPECT_EQ(common::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  testsupport::TempDir dir;
  std::string big(3 << 20, 'x');  // more than one read block
  const std::string path = dir.write("big.bin", big);
  EXPECT_EQ(common::FileSha256(path), common::Sha256Hex(big));
  EXPECT_EQ(common::FileSha256(dir.file("missing.bin")), "");
}

}  // namespace
