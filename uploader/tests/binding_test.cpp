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

QString Folder(const char* variant) {
    return QString(WRONG_ROOT) + "/" + variant;
}

}  // namespace

class BindingTest : public QObject {
    Q_OBJECT

  private slots:
    void binding_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");  // empty: it binds
        QTest::addColumn<QString>("versionText");
        const QString wrongDll =
            "\nCan't find:'%1()' in 'QUILLSAN.DLL'\n-> Wrong DLL used. Aborting";
        // clang-format off
        QTest::newRow("file absent") << Folder("absent") << "->Can't find or load DLL 'QUILLSAN.DLL'. Aborting" << "";
        QTest::newRow("no version export") << Folder("no_version") << wrongDll.arg("GetDLLVersion") << "";
        QTest::newRow("two missing, the last named") << Folder("no_head_status_or_count") << wrongDll.arg("GetItemCount") << "WRONG LIBRARY 0.001 for 30";
        QTest::newRow("version still asked before a later miss") << Folder("no_count") << wrongDll.arg("GetItemCount") << "WRONG LIBRARY 0.001 for 30";
        QTest::newRow("exactly the 28") << Folder("full_set") << "" << "WRONG LIBRARY 0.001 for 30";
        // 43 exports; the 30-byte limit keeps the whole 26-character text.
        QTest::newRow("the virtual flavour") << QString(VIRTUAL_FOLDER) << "" << "QUILLSAN.DLL Version 1.009";
        // clang-format on
    }

    void binding() {
        QFETCH(QString, folder);
        QFETCH(QString, message);
        QFETCH(QString, versionText);
        EntryPointTable first{};
        for (int pass = 0; pass < 2; ++pass) {
            EntryPointTable table{};
            table.fill(reinterpret_cast<void*>(&table));  // a failed load must leave it alone
            char error[kBindErrorSize] = "stale";
            char version[kVersionTextSize] = {};
            QCOMPARE(BindLinkLibrary(folder.toStdString(), "QUILLSAN.DLL", error, version, table),
                     message.isEmpty());
            QCOMPARE(QString::fromLatin1(error), message);
            QCOMPARE(QString::fromLatin1(version), versionText);
            if (folder.endsWith("/absent")) QCOMPARE(table[0], reinterpret_cast<void*>(&table));
            if (folder.endsWith("/no_count")) {
                QVERIFY(table[kGetItemCount] == nullptr);
                QVERIFY(table[kGetItemName] != nullptr);
            }
            if (!message.isEmpty()) continue;
            for (void* entry : table) QVERIFY(entry != nullptr && entry != &table);
            // Never unloaded: the second pass finds the same code.
            if (pass == 0) first = table;
            QVERIFY(table == first);
        }
    }

    // The box shows the binding's text with only OK, then the program ends with 1.
    void wrong_library_ends_the_program() {
        FakeView window;
        LinkLibrary library(Folder("no_count").toStdString());
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
};

}  // namespace brevalin::test

QTEST_GUILESS_MAIN(brevalin::test::BindingTest)
#include "binding_test.moc"
