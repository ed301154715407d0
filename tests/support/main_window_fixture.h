#pragma once
// The main-window model on fake clock, dialogs and program, with real serial ports (on
// pseudo-terminals when a test links one) and real files in a temporary program folder.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "platform/qt/qt_serial_port.h"
#include "settings/prop_form.h"
#include "support/fakes.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace velsor::testing {

inline const QString kCantConnect = QStringLiteral("指定した COM ポートと通信できません。");

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        EnsureCoreApp();
        program.directory = dir.path();
    }

    // Writes the settings file into the program folder; then loads the window.
    void WriteSettingsFile(const QByteArray& content) {
        QFile f(QDir(program.directory).filePath(QStringLiteral("GPSMN.INI")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    void Load(const char* settings = "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n"
                                     "[Time]=1\r\n") {
        if (settings)
            WriteSettingsFile(settings);
        form->Form_Load();
    }
    // Opens the tuner's port on a new pseudo-terminal pair at ports/COM1.
    void Connect() {
        QFile::remove(Path(QStringLiteral("ports/COM1"))); // left behind by a killed socat
        pty = std::make_unique<PtyPair>(dir.path(), 1);
        ASSERT_TRUE(pty->Ready());
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen());
    }
    QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    void Feed(const QString& line) { form->receiver->AssembleLines(line + QStringLiteral("\r\n")); }
    void Feed(const char* line) { Feed(QString::fromLatin1(line)); }
    // The record buttons Image3(0..3) as shown: "0-2-" is the start and stop buttons at rest.
    std::string Buttons() const {
        std::string out;
        for (int i = 0; i < 4; ++i)
            out += form->Image3[i].visible ? char('0' + i) : '-';
        return out;
    }
    // The window while no tuner is connected, and while one is (not recording).
    bool IdleLook() const {
        return Buttons() == "----" && !form->Label18.visible && !form->Mnu_Rec.enabled &&
               form->Label11.caption == u"動作状態：モニタ停止中";
    }
    bool ConnectedLook() const {
        return Buttons() == "0-2-" && form->Label18.visible && form->Mnu_Rec.enabled &&
               form->Label11.caption == u"動作状態：モニタ中";
    }
    // The messages shown so far, after those queued for the event loop have been raised.
    QStringList MessageTexts() const {
        QCoreApplication::processEvents();
        QStringList t;
        for (const auto& m : dialogs.messages)
            t << m.text;
        return t;
    }

    QTemporaryDir dir;
    FakeClock clock;
    FakeDialogs dialogs;
    FakeProgram program;
    // Devices are listed from <program folder>/dev, which a test fills with pseudo-terminals.
    platform::QtSerialPortFactory ports{dir.path(),
                                        QDir(dir.path()).filePath(QStringLiteral("dev"))};
    platform::Platform plat{clock, dialogs, program, ports};
    Nav nav;
    Prop_Form prop{nav};
    std::unique_ptr<NAV_FORM> form = std::make_unique<NAV_FORM>(nav, plat, prop);
    std::unique_ptr<PtyPair> pty;
};

} // namespace velsor::testing
