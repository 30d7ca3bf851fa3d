#pragma once
// A program folder of the test's and what the real program needs in it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "integration/program_runner.h"
#include "platform/charset.h"
#include "platform/ini.h"
#include "support/temp_dir.h"
#include "support/windows_file.h"
#include "support/test_server.h"

class ProgramFixture : public ::testing::Test {
protected:
    TempDir dir;

    // A file as Windows wrote it: code page 936, CR LF.
    void writeCp936(const std::string& name, const std::string& utf8) {
        dir.write(name, windowsFile(utf8));
    }
    std::string setting(const std::string& section, const std::string& key) {
        return ini::read(dir.file("windows data.ini"), section, key);
    }
    // Waits for a value to reach the settings file.
    std::string waitForSetting(const std::string& section, const std::string& key,
                               const std::string& value) {
        for (int i = 0; i < 50 && setting(section, key) != value; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return setting(section, key);
    }
    // service.ini pointing the OCR service and the update document at the test server.
    void pointAt(const TestServer& server) {
        const std::string f = dir.file("service.ini");
        ini::write(f, "service", "TokenEndpoint", server.httpsUrl("/oauth/2.0/token"));
        ini::write(f, "service", "ApiBaseUrl", server.httpsUrl("/rest/2.0/"));
        ini::write(f, "service", "UpdateInfoUrl", server.httpUrl("/update.json"));
        ini::write(f, "service", "CaFile", server.certificates().caFile());
    }
};
