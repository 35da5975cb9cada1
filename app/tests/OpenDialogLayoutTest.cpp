// The File Open dialog as a user meets it: a folder of pieces in the detail view, each column
// wide enough for its values.

#include "AppTestSupport.h"

#include "app/program/MCDocManager.h"
#include "notabase/prefs/Preferences.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class OpenDialogLayoutTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        apptest::FrameTest::SetUp();
        // The chooser remembers its columns and view in Qt's own settings: start as a new user.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(File("qt")));
        m_manager = std::make_unique<MCDocManager>(*m_template);
        m_manager->SetMainWindow(m_frame.get());
    }
    void TearDown() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        m_manager.reset();
        apptest::FrameTest::TearDown();
    }

    std::unique_ptr<MCDocManager> m_manager;
};

TEST_F(OpenDialogLayoutTest, TheDetailColumnsShowTheirValuesWhole)
{
    const std::string folder = File("Pieces");
    std::filesystem::create_directories(folder + "/Drafts");
    for (const auto& [name, bytes] : {std::pair{"Sonata in C.kvd", 48213}, {"Minuet.mid", 913}, {"Rondo.rmi", 2046112}})
        std::ofstream(folder + "/" + name, std::ios::binary) << std::string(size_t(bytes), 'x');
    SaveStringPreference("Settings\\Open", "Directory", folder.c_str());

    int shown = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        if (!chooser)
            return int(QDialog::Rejected);
        ++shown;
        chooser->setNameFilter("All Files (*)");
        chooser->setViewMode(QFileDialog::Detail);
        auto* model = chooser->findChild<QFileSystemModel*>();
        auto* view = chooser->findChild<QTreeView*>("treeView");
        if (!model || !view) {
            ADD_FAILURE() << "the chooser has no detail view";
            return int(QDialog::Rejected);
        }
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        chooser->resize(chooser->sizeHint());
        chooser->show();
        const QModelIndex root = view->rootIndex();
        EXPECT_TRUE(QTest::qWaitFor([&] { return loaded.count() > 0 && model->rowCount(root) == 4; }));
        QCoreApplication::processEvents();
        apptest::saveScreenshot(*chooser, "open-dialog-details.png");
        const QAbstractItemView& cells = *view;
        EXPECT_GE(view->header()->sectionSize(3), cells.sizeHintForColumn(3));
        return int(QDialog::Rejected);
    };
    plat::ui::ModalHooks::Scoped scoped(hooks);
    m_manager->OnFileOpen();
    EXPECT_EQ(shown, 1);
}

}  // namespace
