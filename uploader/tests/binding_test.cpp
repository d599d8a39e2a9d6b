// Binding QUILLSAN.DLL: wrong libraries are refused with the exact texts and
// end the program with status 1; a complete one binds, again and again.
#include <QtTest>
#include <cstring>

#include "controller.h"
#include "fake_dialogs.h"
#include "fake_view.h"
#include "link_binding.h"

namespace brevalin::test {
namespace {

std::string Folder(const char* variant) {
    return std::string(WRONG_ROOT) + "/" + variant;
}

}  // namespace

class BindingTest : public QObject {
    Q_OBJECT

  private slots:
    void failures_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("versionText");
        QTest::newRow("file absent") << "absent"
                                     << "->Can't find or load DLL 'QUILLSAN.DLL'. Aborting"
                                     << "";
        QTest::newRow("no version export")
            << "no_version"
            << "\nCan't find:'GetDLLVersion()' in 'QUILLSAN.DLL'\n-> Wrong DLL used. Aborting"
            << "";
        QTest::newRow("two missing, the last named")
            << "no_head_status_or_count"
            << "\nCan't find:'GetItemCount()' in 'QUILLSAN.DLL'\n-> Wrong DLL used. Aborting"
            << "WRONG LIBRARY 0.001 for 30";
        QTest::newRow("version still asked before a later miss")
            << "no_count"
            << "\nCan't find:'GetItemCount()' in 'QUILLSAN.DLL'\n-> Wrong DLL used. Aborting"
            << "WRONG LIBRARY 0.001 for 30";
    }

    void failures() {
        QFETCH(QString, variant);
        QFETCH(QString, message);
        QFETCH(QString, versionText);
        EntryPointTable table{};
        table.fill(reinterpret_cast<void*>(&table));  // a failed load must leave it alone
        char error[kBindErrorSize] = "stale";
        char version[kVersionTextSize] = {};
        QVERIFY(!BindLinkLibrary(Folder(variant.toUtf8().constData()), "QUILLSAN.DLL", error,
                                 version, table));
        QCOMPARE(QString::fromLatin1(error), message);
        QCOMPARE(QString::fromLatin1(version), versionText);
        if (variant == "absent") QCOMPARE(table[0], reinterpret_cast<void*>(&table));
        if (variant == "no_count") {
            QVERIFY(table[kGetItemCount] == nullptr);
            QVERIFY(table[kGetItemName] != nullptr);
        }
    }

    // The box shows the binding's text with only OK, then the program ends with 1.
    void wrong_library_ends_the_program() {
        FakeView window;
        LinkLibrary library(Folder("no_count"));
        FakeDialogs dialogs;
        Controller controller(window, library, dialogs);
        controller.FormCreate();
        controller.Timer1Timer();
        QCOMPARE(
            dialogs.boxes,
            (Boxes{{"\nCan't find:'GetItemCount()' in 'QUILLSAN.DLL'\n-> Wrong DLL used. Aborting",
                    0x00}}));
        QCOMPARE(dialogs.exitStatus, 1);
        QVERIFY(!window.timerActive);
    }

    void complete_libraries_bind_repeatedly_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("versionText");
        QTest::newRow("exactly the 28")
            << QString::fromStdString(Folder("full_set")) << "WRONG LIBRARY 0.001 for 30";
        // 43 exports; the 30-byte limit keeps the whole 26-character text.
        QTest::newRow("the virtual flavour") << VIRTUAL_FOLDER << "QUILLSAN.DLL Version 1.009";
    }

    void complete_libraries_bind_repeatedly() {
        QFETCH(QString, folder);
        QFETCH(QString, versionText);
        EntryPointTable first{};
        for (int pass = 0; pass < 2; ++pass) {
            EntryPointTable table{};
            char error[kBindErrorSize] = "stale";
            char version[kVersionTextSize] = {};
            QVERIFY(BindLinkLibrary(folder.toStdString(), "QUILLSAN.DLL", error, version, table));
            QCOMPARE(error[0], '\0');
            QCOMPARE(QString::fromLatin1(version), versionText);
            for (void* entry : table) QVERIFY(entry != nullptr);
            // Never unloaded: the second pass finds the same code.
            if (pass == 0) first = table;
            QVERIFY(table == first);
        }
    }
};

}  // namespace brevalin::test

QTEST_GUILESS_MAIN(brevalin::test::BindingTest)
#include "binding_test.moc"
