#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "ChecksTestSupport.h"
#include "FuntionImpl/PeSignature.h"
#include "FuntionImpl/ProcessLaunch.h"
#include "FuntionImpl/Publisher.h"
#include "platform/OwnedHandles.h"
#include "platform/Utf.h"

using checkstest::CertificateEntry;
using checkstest::ChecksOs;
using checkstest::LogLines;
using checkstest::MakePe;
using checkstest::Put16;
using checkstest::Put32;
using FuntionImpl::DistinguishedName;
using FuntionImpl::FindCertificateTableInBytes;
using FuntionImpl::PeCertificateTable;
using Status = PeCertificateTable::Status;

namespace {

// ---- The certificate table ----------------------------------------------------------

TEST(PeCertificateTableTest, OneSignatureEndingThePe32PlusAndPe32Images) {
  for (bool plus : {true, false}) {
    PeCertificateTable t = FindCertificateTableInBytes(MakePe(plus, 24));
    EXPECT_EQ(t.status, Status::EndsFile) << plus;
    EXPECT_EQ(t.offset, 512u);
    EXPECT_EQ(t.size, 24u);
    EXPECT_EQ(t.fileSize, 536u);
  }
  // A long-form DER length, as real signatures of a few KiB have.
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 2312)).status, Status::EndsFile);
}

// A table of `size` bytes whose entry is changed by `edit`.
std::string Table(uint32_t size, void (*edit)(std::string&)) {
  std::string t = CertificateEntry(size);
  edit(t);
  return t;
}

TEST(PeCertificateTableTest, TheEntryMustBeExactlyOneSignature) {
  struct Case {
    const char* what;
    std::string table;
    Status status;
  };
  const std::vector<Case> cases = {
      {"length without its padding (the table rounds it up)",
       Table(24, [](std::string& t) { Put32(t, 0, 21); }), Status::EndsFile},
      {"grown inside: length and table hold bytes after the signature",
       Table(40, [](std::string& t) { t[9] = 11; }), Status::BadEntry},
      {"eight zero bytes after the signature",
       Table(32, [](std::string& t) { t[9] = 11, t.replace(21, 11, std::string(11, '\0')); }), Status::BadEntry},
      {"padding that is not zero", Table(24, [](std::string& t) { t[23] = 1; }), Status::BadEntry},
      {"length rounds to less than the table (a second entry follows)",
       Table(48, [](std::string& t) { Put32(t, 0, 24); }), Status::BadEntry},
      {"length beyond the table", Table(24, [](std::string& t) { Put32(t, 0, 0xFFFFFFF8u); }), Status::BadEntry},
      {"length of the header alone", Table(24, [](std::string& t) { Put32(t, 0, 8); }), Status::BadEntry},
      {"length 0", Table(24, [](std::string& t) { Put32(t, 0, 0); }), Status::BadEntry},
      {"revision 1.0", Table(24, [](std::string& t) { Put16(t, 4, 0x0100); }), Status::BadEntry},
      {"an X.509 certificate, not signed data", Table(24, [](std::string& t) { Put16(t, 6, 0x0001); }),
       Status::BadEntry},
      {"no SEQUENCE", Table(24, [](std::string& t) { t[8] = 0x31; }), Status::BadEntry},
      {"indefinite length", Table(24, [](std::string& t) { t[9] = static_cast<char>(0x80); }), Status::BadEntry},
      {"DER longer than the entry", Table(24, [](std::string& t) { t[9] = 15; }), Status::BadEntry},
      {"huge long-form length",
       Table(24, [](std::string& t) { t.replace(9, 5, std::string("\x84\xFF\xFF\xFF\xF0", 5)); }),
       Status::BadEntry},
      {"more length octets than any file needs",
       Table(24, [](std::string& t) { t.replace(9, 6, std::string("\x85\0\0\0\0\x05", 6)); }), Status::BadEntry},
      {"long form, the right length", Table(24, [](std::string& t) { t.replace(9, 2, std::string("\x81\x0A", 2)); }),
       Status::EndsFile},
  };
  for (const Case& c : cases) {
    const uint32_t size = static_cast<uint32_t>(c.table.size());
    EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, size, "", 16, c.table)).status, c.status) << c.what;
  }
}

TEST(PeCertificateTableTest, AnyByteAfterTheTableIsData) {
  PeCertificateTable t = FindCertificateTableInBytes(MakePe(true, 24, "payload after the signature"));
  EXPECT_EQ(t.status, Status::DataAfter);
  EXPECT_EQ(t.end(), 536u);
  EXPECT_EQ(t.fileSize, 536u + 27u);
  // Zero bytes too: the table is 8-byte aligned, so nothing pads it.
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 24, std::string(1, '\0'))).status, Status::DataAfter);
}

TEST(PeCertificateTableTest, ImagesWithoutATable) {
  EXPECT_EQ(FindCertificateTableInBytes(MakePe(true, 0)).status, Status::NoTable);
  // The directory count stops before the security entry: whatever follows is not one.
  std::string fewDirectories = MakePe(true, 24, "", 4);
  EXPECT_EQ(FindCertificateTableInBytes(fewDirectories).status, Status::NoTable);
}

TEST(PeCertificateTableTest, TableBeyondTheFileOrOffTheGridIsMalformed) {
  std::string image = MakePe(true, 24);
  image.resize(530);
  EXPECT_EQ(FindCertificateTableInBytes(image).status, Status::Malformed);
  std::string shifted = " " + MakePe(true, 24).substr(512);  // the table one byte later
  std::string off = MakePe(true, 0) + shifted;
  const size_t entry = 0x80 + 24 + 108 + 4 + 4 * 8;
  Put32(off, entry, 513);
  Put32(off, entry + 4, 24);
  EXPECT_EQ(FindCertificateTableInBytes(off).status, Status::Malformed);
}

TEST(PeCertificateTableTest, TruncatedAndGarbageInputIsNotPe) {
  const std::string image = MakePe(true, 24);
  // Every cut inside the headers (the directory entry ends at 0x80 + 24 + 152).
  for (size_t n = 0; n < 0x80 + 24 + 152; ++n) {
    PeCertificateTable t = FindCertificateTableInBytes(image.substr(0, n));
    EXPECT_EQ(t.status, Status::NotPe) << n;
  }
  // Cut inside the table: it no longer fits the file.
  for (size_t n = 512; n < image.size(); ++n)
    EXPECT_EQ(FindCertificateTableInBytes(image.substr(0, n)).status, Status::Malformed) << n;
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    std::string junk(2 + random() % 600, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    junk[0] = 'M';
    junk[1] = 'Z';
    // Sometimes point the header at "PE" inside the junk, so later reads run too.
    if (junk.size() >= 0x48 && i % 2) {
      Put32(junk, 0x3C, 0x40);
      junk.replace(0x40, 4, std::string("PE\0\0", 4));
    }
    FindCertificateTableInBytes(junk);  // must stay inside the bytes (ASan)
  }
  std::string badMagic = image;
  Put16(badMagic, 0x80 + 24, 0x107);
  EXPECT_EQ(FindCertificateTableInBytes(badMagic).status, Status::NotPe);
  std::string farHeader = image;
  Put32(farHeader, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(FindCertificateTableInBytes(farHeader).status, Status::NotPe);
}

// A temporary file holding bytes, removed afterwards.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    static int n = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("lumevia-checks-" + std::to_string(platform::nativeOs().CurrentProcessId()) + "-" +
             std::to_string(n++) + ".exe");
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::wstring path() const { return path_.wstring(); }

 private:
  std::filesystem::path path_;
};

TEST(PeCertificateTableTest, FileReaderAgreesWithTheBytes) {
  const std::string image = MakePe(true, 24, "tail");
  TempFile file(image);
  platform::OwnedFile held(platform::os().OpenFileForCheck(file.path()));
  ASSERT_TRUE(held);
  PeCertificateTable fromFile = FuntionImpl::FindCertificateTableInFile(held.get());
  EXPECT_EQ(fromFile.status, Status::DataAfter);
  EXPECT_EQ(fromFile.fileSize, image.size());
  EXPECT_EQ(FuntionImpl::FindCertificateTableInFile(0).status, Status::NotPe);
}

// ---- The publisher rule -----------------------------------------------------------------

DistinguishedName Name(const std::wstring& text) {
  DistinguishedName name;
  EXPECT_TRUE(FuntionImpl::ParseDistinguishedName(text, name)) << platform::Utf8FromWide(text);
  return name;
}

const char kCn[] = "2.5.4.3", kO[] = "2.5.4.10", kOu[] = "2.5.4.11", kC[] = "2.5.4.6", kSt[] = "2.5.4.8",
           kEmail[] = "1.2.840.113549.1.9.1";

TEST(PublisherRule, EveryNamedAttributeMustBeTheSubjects) {
  struct Case {
    const wchar_t* configured;
    DistinguishedName subject;
    bool passes;
  };
  const DistinguishedName maker = {{kC, L"IE"}, {kSt, L"Leinster"}, {kO, L"Marlowgate Software Ltd"},
                                   {kCn, L"Marlowgate Software Ltd"}};
  const std::vector<Case> cases = {
      {L"CN=Lumevia Test Publisher", {{kCn, L"Lumevia Test Publisher"}}, true},
      {L"cn=LUMEVIA test Publisher", {{kCn, L"Lumevia Test Publisher"}}, true},
      {L"  CN =  Lumevia   Test\tPublisher  ", {{kCn, L"Lumevia Test Publisher"}}, true},
      {L"CN=Lumevia Test Publisher", {{kCn, L" Lumevia  Test Publisher "}}, true},
      // The display name falls back to O when CN is missing; the rule does not.
      {L"CN=Lumevia Test Publisher", {{kO, L"Lumevia Test Publisher"}}, false},
      {L"CN=Lumevia Test Publisher", {{kCn, L"Lumevia Test Publisher Evil"}}, false},
      {L"CN=Lumevia Test Publisher", {{kCn, L"Lumevia Test"}}, false},
      {L"CN=Lumevia Test Publisher", {}, false},
      // The subject may carry more; what is named must all be there.
      {L"CN=Marlowgate Software Ltd, O=Marlowgate Software Ltd, C=IE", maker, true},
      {L"CN=Marlowgate Software Ltd, O=Marlowgate Software Ltd, C=DE", maker, false},
      {L"CN=Marlowgate Software Ltd, L=Dublin", maker, false},
      {L"S=Leinster, CN=Marlowgate Software Ltd", maker, true},
      {L"ST=Leinster, OID.2.5.4.10=Marlowgate Software Ltd", maker, true},
      {L"2.5.4.3=Marlowgate Software Ltd", maker, true},
      {L"O=Lumevia\\, Ltd", {{kO, L"Lumevia, Ltd"}}, true},
      {L"O=\"Lumevia, Ltd\"", {{kO, L"Lumevia, Ltd"}}, true},
      {L"O=Lumevia\\, Ltd", {{kO, L"Lumevia"}, {kO, L" Ltd"}}, false},
      {L"CN=M\\C3\\BCller", {{kCn, L"M\u00FCller"}}, true},
      {L"OU=Code+CN=Lumevia", {{kCn, L"Lumevia"}, {kOu, L"Code"}}, true},
      {L"E=sign@lumevia.test", {{kEmail, L"SIGN@lumevia.test"}}, true},
      {L"CN=A\\;B", {{kCn, L"A;B"}}, true},
  };
  for (const Case& c : cases) {
    const std::vector<DistinguishedName> list = FuntionImpl::ParsePublishers(c.configured);
    ASSERT_EQ(list.size(), 1u) << platform::Utf8FromWide(c.configured);
    EXPECT_EQ(FuntionImpl::SubjectIsPublisher(c.subject, list[0]), c.passes) << platform::Utf8FromWide(c.configured);
  }
  EXPECT_FALSE(FuntionImpl::SubjectIsPublisher(maker, {})) << "a name without attributes matches nothing";
}

TEST(PublisherRule, ListsAndTheTextsThatNameNoPublisher) {
  std::vector<std::wstring> refused;
  auto list = FuntionImpl::ParsePublishers(L"CN=Lumevia Test Publisher; O=\"A; B\", C=DE ;", &refused);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1], Name(L"O=\"A; B\",C=DE"));
  EXPECT_TRUE(refused.empty());
  EXPECT_TRUE(FuntionImpl::SubjectIsAnyPublisher({{kCn, L"Lumevia Test Publisher"}}, list));
  EXPECT_FALSE(FuntionImpl::SubjectIsAnyPublisher({{kCn, L"Other Test Publisher"}}, list));

  for (const wchar_t* bad : {L"Lumevia Test Publisher", L"XY=Lumevia", L"CN=", L"CN=\"open", L"CN=a\"b",
                             L"CN=A,", L"CN=A, O", L"CN=A\\"}) {
    refused.clear();
    EXPECT_TRUE(FuntionImpl::ParsePublishers(bad, &refused).empty()) << platform::Utf8FromWide(bad);
    EXPECT_EQ(refused, std::vector<std::wstring>{bad});
  }
  EXPECT_TRUE(FuntionImpl::ParsePublishers(L"").empty());
  EXPECT_TRUE(FuntionImpl::ParsePublishers(L" ; ; ").empty());
  EXPECT_EQ(FuntionImpl::DescribeName(Name(L"cn=A, 2.5.4.97=B")), "CN=A, 2.5.4.97=B");
}

// ---- The check as a whole ---------------------------------------------------------------

constexpr long kNoSignature = static_cast<long>(0x800B0100);

class VerifyEmbeddedSignatureTest : public ::testing::Test {
 protected:
  VerifyEmbeddedSignatureTest() { os.trust.signer = checkstest::TestPublisherSubject(); }
  bool Verify(const TempFile& file, const std::vector<DistinguishedName>& publishers) {
    platform::OwnedFile held(platform::os().OpenFileForCheck(file.path()));
    return FuntionImpl::VerifyEmbeddedSignature(held.get(), file.path(), publishers);
  }
  bool Verify() { return Verify(signedFile, testPublisher); }
  std::string Path() const { return platform::Utf8FromWide(signedFile.path()); }

  ChecksOs os;
  platform::ScopedOs scoped{os};
  LogLines log;
  TempFile signedFile{MakePe(true, 24)};
  const std::vector<DistinguishedName> testPublisher = {{{"2.5.4.3", L"Lumevia Test Publisher"}}};
};

TEST_F(VerifyEmbeddedSignatureTest, EachTrustAnswerHasItsMessage) {
  struct Case {
    long result;
    unsigned long lastError;
    std::string message;
  };
  const std::vector<Case> cases = {
      {kNoSignature, 0x800B0100, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 0x800B0003, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 0x800B0001, "The file \"" + Path() + "\" is not signed."},
      {kNoSignature, 5, "An unknown error occurred trying to verify the signature of the \"" + Path() + "\" file."},
      {static_cast<long>(0x800B0111), 0, "The signature is present, but specifically disallowed."},
      {static_cast<long>(0x800B0004), 0, "The signature is present, but not trusted."},
      {static_cast<long>(0x80092026), 0,
       "CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly trusted "
       "by the admin and admin policy has disabled user trust. No signature, publisher or timestamp errors."},
      {static_cast<long>(0x80096010), 0, "Error is: 0x80096010."},
      {static_cast<long>(0x800B0109), 0, "Error is: 0x800b0109."},  // a root this machine does not trust
  };
  for (const Case& c : cases) {
    os.trust.result = c.result;
    os.trust.lastError = c.lastError;
    EXPECT_FALSE(Verify());
    EXPECT_EQ(log.lines().back(), " VerifyEmbeddedSignature result is " +
                                      std::to_string(static_cast<int32_t>(c.result)) + ", " + c.message);
  }
  os.trust.result = 0;
  os.trust.lastError = 0;
  EXPECT_TRUE(Verify());
  EXPECT_TRUE(log.has(" VerifyEmbeddedSignature result is 0, The file \"" + Path() +
                      "\" is signed and the signature was verified."));
  // Always through the file held for the check.
  for (platform::FileHandle h : os.trustCalls) EXPECT_NE(h, 0u);
}

TEST_F(VerifyEmbeddedSignatureTest, MessageIsCutAt255Characters) {
  const std::string longPath = Path() + std::string(300, 'x');
  platform::OwnedFile held(platform::os().OpenFileForCheck(signedFile.path()));
  EXPECT_TRUE(FuntionImpl::VerifyEmbeddedSignature(held.get(), platform::WideFromUtf8(longPath), testPublisher));
  const std::string prefix = " VerifyEmbeddedSignature result is 0, ";
  EXPECT_EQ(log.lines().at(0), prefix + ("The file \"" + longPath).substr(0, 255));
}

TEST_F(VerifyEmbeddedSignatureTest, OnlyTheNamedPublishersSignaturePasses) {
  EXPECT_TRUE(Verify());
  os.trust.signer = {{"2.5.4.3", L"Other Test Publisher"}};
  EXPECT_FALSE(Verify());
  EXPECT_TRUE(log.has("signer \"CN=Other Test Publisher\" is not a trusted publisher"));
  // No publisher named is no publisher trusted.
  os.trust.signer = checkstest::TestPublisherSubject();
  EXPECT_FALSE(Verify(signedFile, {}));
  EXPECT_TRUE(log.has("no publisher is configured"));
  // An offline machine is not refused for the revocation answer alone.
  os.trust.revocationUnknown = true;
  EXPECT_TRUE(Verify());
  EXPECT_TRUE(log.has("revocation state unknown (offline)"));
}

TEST_F(VerifyEmbeddedSignatureTest, BytesInsideOrAfterTheTableAreRefused) {
  TempFile appended{MakePe(true, 24, std::string(64, 'A'))};
  EXPECT_FALSE(Verify(appended, testPublisher));  // the system's hash check passes such a file
  EXPECT_TRUE(log.has("certificate table at 512, 24 bytes, file size 600"));
  TempFile grown{MakePe(true, 40, "", 16, Table(40, [](std::string& t) { t[9] = 11; }))};
  EXPECT_FALSE(Verify(grown, testPublisher));
  TempFile noTable{MakePe(true, 0)};
  EXPECT_FALSE(Verify(noTable, testPublisher));
}

TEST_F(VerifyEmbeddedSignatureTest, AFileThatCannotBeHeldIsRefusedUnasked) {
  EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(0, signedFile.path(), testPublisher));
  EXPECT_TRUE(os.trustCalls.empty());
  EXPECT_TRUE(log.has("could not be held for the check"));
}

}  // namespace
