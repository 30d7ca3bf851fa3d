#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "app/control_names.h"
#include "app/main_window.h"
#include "app/service_config.h"
#include "platform/charset.h"
#include "platform/ini.h"
#include "support/fake_form.h"
#include "support/temp_dir.h"
#include "support/windows_file.h"

// A main window on the fake form, started in a fresh program folder.
class MainWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<AppState> state;
    FakeForm form;
    FakeClipboard clipboard;
    std::unique_ptr<MainWindow> window;
    MainWindowServices services;

    void start() {
        state = std::make_unique<AppState>(dir.path());
        window = std::make_unique<MainWindow>(*state, form, clipboard);
        window->setServices(services);
        form.setEvents(window.get());
        form.create();
    }
    // An INI file as Windows wrote it: code page 936, CR LF.
    void writeIni(const std::string& name, const std::string& utf8Lines) {
        dir.write(name, windowsFile(utf8Lines));
    }
    std::string setting(const std::string& section, const std::string& key) {
        return ini::read(dir.file("windows data.ini"), section, key);
    }
    void setSetting(const std::string& section, const std::string& key, const std::string& value) {
        ini::write(dir.file("windows data.ini"), section, key, value);
    }
};
