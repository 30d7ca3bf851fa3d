#pragma once
// A program folder of the test's and what the real program needs in it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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

// The program against the local OCR and update server, with a key profile, started up to
// the state where its capture buttons are enabled.
class ServedProgramFixture : public ProgramFixture {
protected:
    TestServer server;
    std::unique_ptr<ProgramRunner> program;

    void SetUp() override {
        ASSERT_TRUE(server.running()) << server.error();
        pointAt(server);
        writeCp936("key.ini", "[k]\nAPI Key=id\nSecret Key=secret\n");
    }
    void startProgram() {
        program = std::make_unique<ProgramRunner>(dir.path());
        ASSERT_TRUE(program->start());
        ASSERT_TRUE(program->waitFor("按钮坐标截图", "enabled", true)["enabled"]);
    }
};
