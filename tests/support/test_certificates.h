#pragma once
// Certificates for the HTTPS side of the test server, made with the openssl program in a
// fresh temporary folder: a test CA, a server certificate it signed for 127.0.0.1 and
// localhost, and a second CA that signed nothing the server shows.
#include <string>
#include <vector>

class TestCertificates {
public:
    TestCertificates();
    ~TestCertificates();  // removes the folder
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    // False when openssl failed or took too long; the files are then missing.
    bool ok() const { return m_ok; }
    const std::string& folder() const { return m_folder; }
    std::string caFile() const { return m_folder + "/ca.pem"; }
    std::string foreignCaFile() const { return m_folder + "/foreign-ca.pem"; }
    std::string serverCertificate() const { return m_folder + "/server.pem"; }
    std::string serverKey() const { return m_folder + "/server.key"; }

private:
    bool make();

    std::string m_folder;
    bool m_ok = false;
};

// Runs a program with its output discarded; false unless it exits with 0 within the limit
// (it is killed when it takes longer).
bool runProgram(const std::string& program, const std::vector<std::string>& arguments,
                int timeoutMs);
