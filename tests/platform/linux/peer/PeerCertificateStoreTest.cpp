// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/peer/CertificateStore.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <QSslKey>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>

#include <sys/stat.h>

namespace kavora::test {
namespace {

namespace fs = std::filesystem;

class PeerCertificateStoreTest : public ::testing::Test {
protected:
    fs::path kavoraFolder() const { return folder.path() / "kavora"; }
    std::string fingerprint()
    {
        auto identity = loadOrCreateTlsIdentity(kavoraFolder());
        EXPECT_TRUE(identity.ok()) << (identity.ok() ? "" : identity.error());
        return identity.ok() ? certificateFingerprint(identity.value().certificate) : "";
    }

    TemporaryFolder folder;
};

TEST_F(PeerCertificateStoreTest, FirstRunMakesAPrivateSelfSignedP256Identity)
{
    const auto oldMask = ::umask(022);
    fs::create_directories(kavoraFolder());
    fs::permissions(kavoraFolder(), fs::perms(0755));
    auto identity = loadOrCreateTlsIdentity(kavoraFolder());
    ::umask(oldMask);
    ASSERT_TRUE(identity.ok()) << identity.error();

    EXPECT_EQ(modeOf(kavoraFolder()), 0700U);
    EXPECT_EQ(modeOf(kavoraFolder() / kPrivateKeyFileName), 0600U);
    const auto& certificate = identity.value().certificate;
    EXPECT_EQ(certificate.subjectInfo(QSslCertificate::CommonName).value(0), "Kavora receiver");
    EXPECT_EQ(certificate.issuerDisplayName(), certificate.subjectDisplayName());
    EXPECT_EQ(identity.value().privateKey.algorithm(), QSsl::Ec);
    EXPECT_EQ(identity.value().privateKey.length(), 256);
    EXPECT_GT(certificate.expiryDate(), QDateTime::currentDateTimeUtc().addYears(10));
    for (const auto& entry : fs::directory_iterator(kavoraFolder()))
        EXPECT_EQ(entry.path().extension(), ".pem") << "no temporary file left behind";
    // SHA-256 as the users compare it: 32 upper-case hex pairs joined by colons.
    EXPECT_TRUE(std::regex_match(certificateFingerprint(certificate),
                                 std::regex("([0-9A-F]{2}:){31}[0-9A-F]{2}")))
        << certificateFingerprint(certificate);
}

TEST_F(PeerCertificateStoreTest, LaterRunsKeepTheSameIdentity)
{
    const auto first = fingerprint();
    ASSERT_FALSE(first.empty());
    fs::permissions(kavoraFolder() / kPrivateKeyFileName, fs::perms(0644));
    EXPECT_EQ(fingerprint(), first);
    EXPECT_EQ(modeOf(kavoraFolder() / kPrivateKeyFileName), 0600U) << "a loosened key is tightened";
}

TEST_F(PeerCertificateStoreTest, BrokenOrMismatchedFilesAreReplaced)
{
    TemporaryFolder other;
    ASSERT_TRUE(loadOrCreateTlsIdentity(other.path()).ok());
    const auto key = kavoraFolder() / kPrivateKeyFileName;
    constexpr auto kOverwrite = fs::copy_options::overwrite_existing;
    // clang-format off
    const std::pair<const char*, std::function<void()>> rows[] = {
        { "certificate is garbage", [&] { writeFile(kavoraFolder() / kCertificateFileName, "garbage"); } },
        { "key is missing", [&] { fs::remove(key); } },
        { "key belongs to another certificate", [&] { fs::copy_file(other.path() / kPrivateKeyFileName, key, kOverwrite); } },
    };
    // clang-format on
    for (const auto& [shows, damage] : rows) {
        const auto before = fingerprint();
        damage();
        const auto after = fingerprint();
        EXPECT_FALSE(after.empty()) << shows;
        EXPECT_NE(after, before) << shows;
        EXPECT_EQ(fingerprint(), after) << shows << ": the new identity is kept";
    }
}

TEST_F(PeerCertificateStoreTest, AControllerIdentityIsKeptInItsOwnFiles)
{
    // Made and kept like the receiver's; only the files and the name differ.
    auto identity = loadOrCreateTlsIdentity(folder.path() / "remote", kControllerIdentityFiles);
    ASSERT_TRUE(identity.ok()) << identity.error();
    EXPECT_TRUE(fs::exists(folder.path() / "remote" / kControllerIdentityFiles.privateKey));
    EXPECT_EQ(identity.value().certificate.subjectInfo(QSslCertificate::CommonName).value(0),
              "Kavora controller");
    // The link's fingerprint: the same SHA-256 as the colon form, as 64 lower-case hex digits.
    const auto sha256 = certificateSha256(identity.value().certificate);
    auto colons = certificateFingerprint(identity.value().certificate);
    std::erase(colons, ':');
    std::transform(colons.begin(), colons.end(), colons.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_EQ(sha256, colons);
}

TEST(PeerVerificationCode, SixDigitsFromBothFingerprintsInOrder)
{
    const std::string zeros(64, '0');
    const std::string ones(64, 'f');
    // What it shows; the receiver's fingerprint, the controller's, the code.
    // clang-format off
    const std::tuple<const char*, std::string, std::string, std::string> rows[] = {
        { "receiver first", zeros, ones, "422312" },
        { "the order matters", ones, zeros, "829425" },
        { "leading zeros are kept", "637bdf509912fc0f2278e3f4df8432391bd2103829938f7eba9e23e193f3945f", "fc942e260c2901d5dec4bb670f0401966f40b5956c65f38613815290d8e80f86", "007525" },
        { "upper-case hex reads the same", "81BAE876B70513C9DECC608EED549977A81AFA1C2B6B4080AEC256339E792E0F", "c1472135b14c77c8bef98e73f70208325fa0dcf1e6bd668ae9b31a9cea295fe7", "521671" },
        { "a fingerprint too short", zeros.substr(2), ones, "" },
        { "not hex", zeros, std::string(64, 'g'), "" },
    };
    // clang-format on
    for (const auto& [shows, receiver, controller, code] : rows)
        EXPECT_EQ(verificationCode(receiver, controller), code) << shows;
}

} // namespace
} // namespace kavora::test
