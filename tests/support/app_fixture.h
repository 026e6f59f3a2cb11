// Starts the program as its entry procedure does, and takes it down again,
// for tests that drive the main window.
#pragma once

#include "app/frmmain.h"
#include "app/module1.h"
#include "platform/messagebox.h"
#include "platform/registry/registry_shell.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setMessageBoxHook([this](const platform::MessageBoxRequest& r) {
            messages.push_back(r);
            return 1;
        });
    }
    void TearDown() override {
        shutDown();
        platform::setMessageBoxHook(nullptr);
    }

    // Runs the entry procedure.
    void start() {
        Main();
        ASSERT_NE(MainForm, nullptr);
    }

    // Unloads the main window (running its unload handler) and releases the
    // application-wide values, as the end of a run does.
    static void shutDown() {
        if (MainForm) {
            MainForm->Unload();
            delete MainForm;
            MainForm = nullptr;
        }
        delete RegistryShell;
        RegistryShell = nullptr;
        QApplication::processEvents();
    }

    std::vector<platform::MessageBoxRequest> messages;
};
