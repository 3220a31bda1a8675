// Locating the package in its file: unsigned and signed installers,
// uninstallers made from signed installers, and every damaged container.
#include "format/package_container.h"
#include "format/pe_image.h"

#include "format/block_reader.h"
#include "format/byte_sink.h"
#include "test_packages.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string.h>
#include <string>

namespace {

constexpr size_t kNtHeaders = 0x80;  // e_lfanew of sampleStubImage()
constexpr size_t kDirectoryCount = kNtHeaders + 0x74;
constexpr size_t kSecurityOffset = kNtHeaders + 0x98;
constexpr size_t kSecuritySize = kNtHeaders + 0x9C;

void setU32(std::string& s, size_t offset, uint32_t value)
{
    storeU32(reinterpret_cast<uint8_t*>(&s[offset]), value);
}

uint32_t u32At(const std::string& s, size_t offset)
{
    return loadU32(reinterpret_cast<const uint8_t*>(s.data()) + offset);
}

InstallScript scriptTitled(const char* title)
{
    InstallScript script = sampleInstallScript();
    setText(script.title, title);
    return script;
}

PackageKind openBytes(const std::string& file, OpenedPackage& out)
{
    return openFromMemory(bytesOf(file), out);
}

// The bytes the stub reads its package from: stub, magic, body, filler,
// trailer, assembled by hand so filler and trailer can be anything.
std::string containerOf(const std::string& stub, uint32_t magic, const std::string& body, const std::string& filler)
{
    std::string file = stub + std::string(4, '\0') + body + filler + std::string(4, '\0');
    setU32(file, stub.size(), magic);
    setU32(file, file.size() - 4, uint32_t(4 + body.size() + filler.size()));
    return file;
}

std::string sampleBody(const InstallScript& script)
{
    return asString(framedBlock(flattenedBlock0(script))) + asString(framedBlock(emptyActionBlock()));
}

// --- Unsigned files -----------------------------------------------------

TEST(Container, UnsignedInstallerHasItsTrailerAtTheEnd)
{
    std::string file = asString(buildSamplePackage(sampleInstallScript()));
    FileHandle stream = fileWith(bytesOf(file));
    PackageLocation location;
    ASSERT_TRUE(locatePackage(stream.get(), location));
    EXPECT_EQ(location.trailerOffset, file.size() - 4);
    EXPECT_EQ(location.start(), sampleStubImage().size());
    EXPECT_EQ(location.magic, kInstallMagic);
}

TEST(Container, InstallerStaysOpenBehindBlock0SoBlock1ReadsNext)
{
    InstallScript script = sampleInstallScript();
    std::string block1 = asString(framedBlock(emptyActionBlock()));
    std::string file = containerOf(asString(sampleStubImage()), kInstallMagic,
                                   asString(framedBlock(flattenedBlock0(script))) + block1, std::string(5, '\0'));
    FileHandle stream = fileWith(bytesOf(file));
    OpenedPackage package;
    openPackage(stream.get(), package);
    ASSERT_EQ(package.kind, PackageKind::Install);
    EXPECT_EQ(asString(package.stubImage), asString(sampleStubImage()));
    EXPECT_EQ(package.remainingAfterBlock0, block1.size() + 5);

    Bytes decoded;
    ASSERT_EQ(readBlock(stream.get(), package.remainingAfterBlock0, decoded), BlockResult::Ok);
    EXPECT_EQ(asString(decoded), asString(emptyActionBlock()));
}

TEST(Container, InstallScriptComesThroughWhole)
{
    InstallScript script = sampleInstallScript();
    OpenedPackage package;
    ASSERT_EQ(openFromMemory(buildSamplePackage(script), package), PackageKind::Install);
    auto read = byteFieldsOf(static_cast<const InstallScript&>(package.installScript));
    auto written = byteFieldsOf(static_cast<const InstallScript&>(script));
    ASSERT_EQ(read.size(), 20u);
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_EQ(asString(*read[i].second), asString(*written[i].second)) << read[i].first;
}

TEST(Container, UninstallPackageHandsOverItsBody)
{
    std::string body = "an uninstall body, read by its own reader";
    OpenedPackage package;
    ASSERT_EQ(openBytes(containerOf(asString(sampleStubImage()), kUninstallMagic, body, ""), package),
              PackageKind::Uninstall);
    EXPECT_EQ(asString(package.uninstallBody), body);
    EXPECT_EQ(package.stubImage.size(), sampleStubImage().size());
}

// Bytes between block 1 and the trailer are read by nobody.
TEST(Container, FillerNeverChangesTheResult)
{
    InstallScript script = sampleInstallScript();
    std::string body = sampleBody(script);
    std::string trailerLike(4, '\0');
    setU32(trailerLike, 0, 4);
    std::string magicLike(4, '\0');
    setU32(magicLike, 0, kInstallMagic);
    for (std::string unit : {std::string(1, '\0'), std::string(1, '\xFF'), magicLike, trailerLike}) {
        for (size_t count = 0; count <= 9; ++count) {
            std::string filler;
            while (filler.size() < count)
                filler += unit;
            filler.resize(count);
            OpenedPackage package;
            ASSERT_EQ(openBytes(containerOf(asString(sampleStubImage()), kInstallMagic, body, filler), package),
                      PackageKind::Install)
                << "filler of " << count << " bytes";
            EXPECT_STREQ(package.installScript.title.text(), script.title.text());
            EXPECT_EQ(package.remainingAfterBlock0, body.size() - framedBlock(flattenedBlock0(script)).size() + count);
        }
    }
}

// --- Damaged containers ----------------------------------------------------

struct Damage {
    const char* name;
    std::function<void(std::string& file, size_t packageStart)> apply;
};
// Cases print as their names, in the test list and in failures.
void PrintTo(const Damage& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedContainer : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedContainer, OpensAsNeitherScript)
{
    std::string file = asString(buildSamplePackage(sampleInstallScript()));
    ASSERT_FALSE(file.empty());
    GetParam().apply(file, sampleStubImage().size());
    OpenedPackage package;
    EXPECT_EQ(openBytes(file, package), PackageKind::None);
}

void setTrailer(std::string& f, uint32_t length)
{
    setU32(f, f.size() - 4, length);
}

INSTANTIATE_TEST_SUITE_P(
    Container, DamagedContainer,
    ::
        testing::
            Values(
                Damage{"EmptyFile", [](std::string& f, size_t) { f.clear(); }},
                Damage{"ThreeBytes", [](std::string& f, size_t) { f.resize(3); }},
                Damage{"OnlyATrailer",
                       [](std::string& f, size_t) { f = std::string(1, '\x04') + std::string(3, '\0'); }},
                Damage{"LengthZero", [](std::string& f, size_t) { setTrailer(f, 0); }},
                Damage{"LengthOne", [](std::string& f, size_t) { setTrailer(f, 1); }},
                Damage{"LengthThree", [](std::string& f, size_t) { setTrailer(f, 3); }},
                Damage{"LengthOnePastTheTrailer",
                       [](std::string& f, size_t) { setTrailer(f, uint32_t(f.size() - 4 + 1)); }},
                Damage{"LengthAllOnes", [](std::string& f, size_t) { setTrailer(f, 0xFFFFFFFF); }},
                Damage{"BadMagic", [](std::string& f, size_t p) { f[p + 3] ^= 0x40; }},
                Damage{"InstallMagicWithEmptyBody",
                       [](std::string& f, size_t p) {
                           f.resize(p + 4);
                           f += std::string(1, '\x04') + std::string(3, '\0');
                       }},
                Damage{"Block0Undecodable",
                       [](std::string& f, size_t p) { setU32(f, p + 4 + 4, u32At(f, p + 4 + 4) + 1); }},
                Damage{
                    "Block0BeyondThePackage",
                    [](std::string& f, size_t p) { setU32(f, p + 4, u32At(f, f.size() - 4)); }},
                Damage{
                    "Block0MissingAField",
                    [](std::string& f, size_t) {
                        // A block 0 of 19 texts: the twentieth index runs past S.
                        ByteSink sink;
                        for (int i = 0; i < 19; ++i)
                            sink.addText("field");
                        Bytes block0;
                        sink.flatten(block0);
                        f = containerOf(asString(sampleStubImage()), kInstallMagic,
                                        asString(framedBlock(block0)) + asString(framedBlock(emptyActionBlock())), "");
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Container, SmallestValidPackagesStillOpen)
{
    // L = T: no stub image at all.
    OpenedPackage noStub;
    EXPECT_EQ(openBytes(containerOf("", kInstallMagic, sampleBody(sampleInstallScript()), ""), noStub),
              PackageKind::Install);
    EXPECT_EQ(noStub.stubImage.size(), 0u);
    // L = 4: an uninstall package with an empty body.
    OpenedPackage emptyBody;
    EXPECT_EQ(openBytes(containerOf(asString(sampleStubImage()), kUninstallMagic, "", ""), emptyBody),
              PackageKind::Uninstall);
    EXPECT_EQ(emptyBody.uninstallBody.size(), 0u);
}

// --- The certificate offset ------------------------------------------------

struct HeaderCase {
    const char* name;
    std::function<void(std::string& file)> apply;
    uint32_t expected;
};
void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.name;
}

constexpr uint32_t kFileSize = 2048;

class CertificateOffset : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CertificateOffset, ComesFromTheSecurityDirectory)
{
    std::string file = asString(sampleStubImage());
    file.resize(kFileSize, '\x5A');
    setU32(file, kSecurityOffset, 1600);
    setU32(file, kSecuritySize, 200);
    GetParam().apply(file);
    FileHandle stream = fileWith(bytesOf(file));
    EXPECT_EQ(certificateOffset(stream.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Container, CertificateOffset,
    ::testing::Values(
        HeaderCase{"Signed", [](std::string&) {}, 1600},
        HeaderCase{"FiveDirectories", [](std::string& f) { setU32(f, kDirectoryCount, 5); }, 1600},
        HeaderCase{"FourDirectories", [](std::string& f) { setU32(f, kDirectoryCount, 4); }, 0},
        HeaderCase{"SizeZero", [](std::string& f) { setU32(f, kSecuritySize, 0); }, 0},
        HeaderCase{"OffsetThree", [](std::string& f) { setU32(f, kSecurityOffset, 3); }, 0},
        HeaderCase{"OffsetFour", [](std::string& f) { setU32(f, kSecurityOffset, 4); }, 4},
        HeaderCase{"OffsetAtTheEnd", [](std::string& f) { setU32(f, kSecurityOffset, kFileSize); }, kFileSize},
        HeaderCase{"OffsetPastTheEnd", [](std::string& f) { setU32(f, kSecurityOffset, kFileSize + 1); }, 0},
        HeaderCase{"OffsetAllOnes", [](std::string& f) { setU32(f, kSecurityOffset, 0xFFFFFFFF); }, 0},
        HeaderCase{"NoMZ", [](std::string& f) { f[1] = 'X'; }, 0},
        HeaderCase{"NoPE", [](std::string& f) { f[kNtHeaders + 1] = 'X'; }, 0},
        HeaderCase{"NtHeadersPastTheEnd", [](std::string& f) { setU32(f, 0x3C, kFileSize + 100); }, 0},
        // 248 bytes of NT headers no longer fit.
        HeaderCase{"NtHeadersCutByTheEnd", [](std::string& f) { f.resize(kNtHeaders + 247); }, 0},
        HeaderCase{"ShortDosHeader", [](std::string& f) { f.resize(63); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A file holding two packages: an inner one ending where the security
// directory says the certificate table starts, and an outer one at the end.
// Which one opens shows where the trailer was looked for.
std::string nestedPackages(const std::function<void(std::string& stub)>& editHeaders)
{
    std::string inner = asString(buildSamplePackage(scriptTitled("Inner")));
    setU32(inner, kSecurityOffset, uint32_t(inner.size()));
    setU32(inner, kSecuritySize, 100);
    editHeaders(inner);
    return containerOf(inner, kInstallMagic, sampleBody(scriptTitled("Outer")), "");
}

TEST(Container, TrailerIsReadAtTheCertificateOffset)
{
    OpenedPackage package;
    ASSERT_EQ(openBytes(nestedPackages([](std::string&) {}), package), PackageKind::Install);
    EXPECT_STREQ(package.installScript.title.text(), "Inner");
}

TEST(Container, SecurityDirectoryWithoutSizeOrCountMeansUnsigned)
{
    for (auto edit : {std::function<void(std::string&)>([](std::string& s) { setU32(s, kSecuritySize, 0); }),
                      std::function<void(std::string&)>([](std::string& s) { setU32(s, kDirectoryCount, 4); })}) {
        OpenedPackage package;
        ASSERT_EQ(openBytes(nestedPackages(edit), package), PackageKind::Install);
        EXPECT_STREQ(package.installScript.title.text(), "Outer");
    }
}

// --- Signed with a real signing tool -------------------------------------------

class SignedInstaller : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"openssl", "osslsigncode"})
            ASSERT_TRUE(hostToolExists(tool)) << tool << " is missing: run scripts/bootstrap.sh";
        ASSERT_FALSE(folder_.path().empty());
        stub_ = realStubImage();
        ASSERT_FALSE(stub_.isNull()) << "cannot read the stub at " << SLIPWAY_STUB_PATH;
        unsigned_ = asString(buildPackageOver(stub_, scriptTitled("Signed Product"), emptyActionBlock(), 1));
        ASSERT_FALSE(unsigned_.empty());
        ASSERT_EQ(unsigned_.size() % 8, 0u) << "the certificate table must follow the trailer directly";
        std::string log;
        ASSERT_EQ(runCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Slipway Test'"
                             " -keyout '" +
                                 folder_.file("key.pem") + "' -out '" + folder_.file("cert.pem") + "'",
                             &log),
                  0)
            << log;
        ASSERT_TRUE(writeWholeFile(folder_.file("setup.exe").c_str(), bytesOf(unsigned_)));
        ASSERT_EQ(runCommand("osslsigncode sign -certs '" + folder_.file("cert.pem") + "' -key '" +
                                 folder_.file("key.pem") + "' -in '" + folder_.file("setup.exe") + "' -out '" +
                                 folder_.file("signed.exe") + "'",
                             &log),
                  0)
            << log;
        Bytes signedFile;
        ASSERT_TRUE(readWholeFile(folder_.file("signed.exe").c_str(), signedFile));
        signed_ = asString(signedFile);
    }

    // An uninstaller as the installer writes it: the signed file's stub image,
    // which still names the installer's certificate table, and an uninstall
    // package of the given total length.
    std::string uninstallerOfLength(size_t total)
    {
        std::string stub = signed_.substr(0, stub_.size());
        std::string body;
        for (size_t i = 0; stub.size() + 8 + body.size() < total; ++i)
            body += char(i * 7 + 1);
        return containerOf(stub, kUninstallMagic, body, "");
    }

    TemporaryFolder folder_;
    Bytes stub_;
    std::string unsigned_;
    std::string signed_;
};

TEST_F(SignedInstaller, TrailerIsFoundJustBeforeTheCertificateTable)
{
    ASSERT_GT(signed_.size(), unsigned_.size());
    FileHandle stream = fileWith(bytesOf(signed_));
    uint32_t certificate = certificateOffset(stream.get());
    EXPECT_EQ(certificate, unsigned_.size());

    PackageLocation location;
    ASSERT_TRUE(locatePackage(stream.get(), location));
    EXPECT_EQ(location.trailerOffset, certificate - 4);
    EXPECT_EQ(location.start(), stub_.size());

    OpenedPackage package;
    ASSERT_EQ(openBytes(signed_, package), PackageKind::Install);
    EXPECT_STREQ(package.installScript.title.text(), "Signed Product");
    // The stub image is the signed one: its headers name the certificate.
    EXPECT_EQ(asString(package.stubImage), signed_.substr(0, stub_.size()));
    EXPECT_NE(asString(package.stubImage), asString(stub_));
}

TEST_F(SignedInstaller, UninstallerMadeFromItAlwaysOpens)
{
    const size_t certificate = unsigned_.size();
    const size_t shortest = stub_.size() + 8 + 16;
    ASSERT_LT(shortest + 8, certificate);
    // Shorter than, equal to and longer than the recorded certificate offset;
    // the longer ones put body bytes where the first trailer is looked for.
    for (size_t total : {shortest, certificate - 5, certificate - 4, certificate - 1, certificate, certificate + 1,
                         certificate + 4, certificate + 5, certificate + 3000}) {
        std::string file = uninstallerOfLength(total);
        ASSERT_EQ(file.size(), total);
        OpenedPackage package;
        EXPECT_EQ(openBytes(file, package), PackageKind::Uninstall)
            << "length " << long(total) - long(certificate) << " from the certificate";
        EXPECT_EQ(package.uninstallBody.size(), total - stub_.size() - 8);
    }
}

// The uninstaller's image carries no certificate entry of the installer's
// and the checksum of its own file, as the signing tool reckons one.
TEST_F(SignedInstaller, UninstallerImageIsSealedForItsOwnFile)
{
    PeHeaderFields fields;
    ASSERT_TRUE(findPeHeaderFields(bytesOf(signed_).data(), stub_.size(), fields));
    // Our checksum of the signed file agrees with the signing tool's.
    std::string zeroed = signed_;
    setU32(zeroed, fields.checksum, 0);
    PeChecksum whole;
    whole.add(reinterpret_cast<const uint8_t*>(zeroed.data()), zeroed.size());
    ASSERT_NE(loadU32(reinterpret_cast<const uint8_t*>(signed_.data()) + fields.checksum), 0u);
    EXPECT_EQ(whole.value(), loadU32(reinterpret_cast<const uint8_t*>(signed_.data()) + fields.checksum));

    // Pieces of odd lengths, as the writer hands them over.
    std::string image = signed_.substr(0, stub_.size());
    const std::string magic = "upg\x02", body = "an odd-length body", trailer("\x17\0\0\0", 4);
    const BytePiece tail[] = {{reinterpret_cast<const uint8_t*>(magic.data()), 4},
                              {reinterpret_cast<const uint8_t*>(body.data()), body.size()},
                              {reinterpret_cast<const uint8_t*>(trailer.data()), 4}};
    ASSERT_TRUE(sealImageFor(reinterpret_cast<uint8_t*>(&image[0]), image.size(), tail, 3));
    std::string file = image + magic + body + trailer;
    ASSERT_TRUE(writeWholeFile(folder_.file("uninstall.exe").c_str(), bytesOf(file)));
    FileHandle stream = fileWith(bytesOf(file));
    EXPECT_EQ(certificateOffset(stream.get()), 0u);
    std::string check = file;
    setU32(check, fields.checksum, 0);
    PeChecksum own;
    own.add(reinterpret_cast<const uint8_t*>(check.data()), check.size());
    EXPECT_EQ(own.value(), loadU32(reinterpret_cast<const uint8_t*>(file.data()) + fields.checksum));
    std::string log;
    runCommand("osslsigncode verify -in '" + folder_.file("uninstall.exe") + "'", &log);
    EXPECT_NE(log.find("No signature found"), std::string::npos) << log;
}

// A built installer's header carries its own file's checksum, not the
// stub's: the one the signing tool would compute, and the loader checks for
// a driver-like image.
TEST_F(SignedInstaller, BuiltInstallerCarriesItsOwnChecksum)
{
    PeHeaderFields fields;
    ASSERT_TRUE(findPeHeaderFields(stub_.data(), stub_.size(), fields));
    const uint32_t stored = loadU32(reinterpret_cast<const uint8_t*>(unsigned_.data()) + fields.checksum);
    std::string zeroed = unsigned_;
    setU32(zeroed, fields.checksum, 0);
    PeChecksum whole;
    whole.add(reinterpret_cast<const uint8_t*>(zeroed.data()), zeroed.size());
    EXPECT_EQ(stored, whole.value());
    EXPECT_NE(stored, loadU32(stub_.data() + fields.checksum));
    // Only the checksum differs from the stub's own bytes.
    std::string image = unsigned_.substr(0, stub_.size());
    setU32(image, fields.checksum, loadU32(stub_.data() + fields.checksum));
    EXPECT_EQ(image, asString(stub_));
}

TEST(PeImage, HeaderOutsideTheImageIsNotTouched)
{
    std::string image(0x200, '\0');
    image[0] = 'M', image[1] = 'Z';
    for (uint32_t nt : {0x1F0u, 0x180u, 0xFFFFFFF0u}) {
        setU32(image, 0x3C, nt);
        PeHeaderFields fields;
        EXPECT_FALSE(findPeHeaderFields(reinterpret_cast<const uint8_t*>(image.data()), image.size(), fields)) << nt;
    }
}

}  // namespace
