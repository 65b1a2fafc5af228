#include "support/SelfSignedCertificate.h"

#include <cstdlib>
#include <stdlib.h>

namespace support {

SelfSignedCertificate::SelfSignedCertificate()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "self-signed-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return;
    m_folder = pattern;
    // An EC key makes in a blink what an RSA key takes a while over.
    std::string const command
        = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
          " -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
          " -keyout '"
        + keyPath() + "' -out '" + certificatePath() + "' >/dev/null 2>&1";
    std::error_code error;
    m_valid = std::system(command.c_str()) == 0 && std::filesystem::exists(certificatePath(), error)
        && std::filesystem::exists(keyPath(), error);
}

SelfSignedCertificate::~SelfSignedCertificate()
{
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

} // namespace support
