#include "support/test_certificates.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kOpenssl = OZMIRA_OPENSSL;

// A CA certificate of its own: self-signed, allowed to sign certificates.
bool makeCa(const std::string& folder, const std::string& name, const std::string& subject) {
    return runProgram(
        kOpenssl,
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", folder + "/" + name + ".key", "-out", folder + "/" + name + ".pem", "-days",
         "2", "-subj", subject, "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
         "keyUsage=critical,keyCertSign,cRLSign"},
        30000);
}

}  // namespace

bool runProgram(const std::string& program, const std::vector<std::string>& arguments,
                int timeoutMs) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TestCertificates::TestCertificates() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ozmira-tls-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        m_folder = pattern;
        m_ok = make();
    }
}

TestCertificates::~TestCertificates() {
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool TestCertificates::make() {
    const std::string& dir = m_folder;
    std::ofstream(dir + "/server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                          "basicConstraints=CA:FALSE\n"
                                          "keyUsage=critical,digitalSignature\n"
                                          "extendedKeyUsage=serverAuth\n";
    return makeCa(dir, "ca", "/CN=Ozmira Test CA") &&
           makeCa(dir, "foreign-ca", "/CN=Ozmira Foreign Test CA") &&
           runProgram(kOpenssl,
                      {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", dir + "/server.key", "-out", dir + "/server.csr", "-subj",
                       "/CN=127.0.0.1"},
                      30000) &&
           runProgram(kOpenssl,
                      {"x509", "-req", "-in", dir + "/server.csr", "-CA", dir + "/ca.pem", "-CAkey",
                       dir + "/ca.key", "-CAcreateserial", "-out", dir + "/server.pem", "-days",
                       "2", "-extfile", dir + "/server.ext"},
                      30000);
}
