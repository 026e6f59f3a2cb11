// Starts the program as its entry procedure does, and takes it down again,
// for tests that drive the main window.
#pragma once

#include "app/frmmain.h"
#include "app/module1.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "platform/messagebox.h"
#include "platform/registry/registry_shell.h"

#include <QApplication>
#include <QTextDocument>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <vector>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setMessageBoxHook([this](const platform::MessageBoxRequest& r) {
            messages.push_back(r);
            if (r.buttons.isEmpty())
                return platform::vbOK;
            if (answers.empty())
                return platform::vbCancel;  // a question nobody expected keeps everything
            const int a = answers.front();
            answers.pop_front();
            return a;
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
            // The test is over: nothing left open is worth a question.
            for (frmDocument* d : MainForm->documents())
                d->rtfText->document()->setModified(false);
            MainForm->Unload();
            delete MainForm;
            MainForm = nullptr;
        }
        delete RegistryShell;
        RegistryShell = nullptr;
        QApplication::processEvents();
    }

    std::vector<platform::MessageBoxRequest> messages;
    // The answers to the next questions (platform::vbYes, vbNo, vbCancel).
    std::deque<int> answers;
};
