#pragma once

#include <filesystem>
#include <string>

namespace support {

// A certificate and key for 127.0.0.1 and localhost that no one vouches for,
// made with the openssl tool in a folder of their own that goes with this
// object: what a TLS test server needs to be refused by a checking client.
class SelfSignedCertificate {
public:
    SelfSignedCertificate();
    ~SelfSignedCertificate();
    SelfSignedCertificate(const SelfSignedCertificate&) = delete;
    SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

    // False when the tool failed; the paths then name no files.
    bool isValid() const { return m_valid; }
    std::string certificatePath() const { return (m_folder / "certificate.pem").string(); }
    std::string keyPath() const { return (m_folder / "key.pem").string(); }

private:
    std::filesystem::path m_folder;
    bool m_valid = false;
};

} // namespace support
