#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A dialog with OK and Cancel and one edit of the kind under test, which has the focus.
struct EditDialog {
    QDialog dialog;
    MCSpinEdit* edit = nullptr;

    explicit EditDialog(std::unique_ptr<MCSpinEdit> control)
    {
        auto* layout = new QVBoxLayout(&dialog);
        edit = control.release();
        edit->setParent(&dialog);
        edit->Create(&dialog, 1200, MCSpinEdit::kVisibleSpin);
        layout->addWidget(edit);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();
    }
};

// Enter (either key) presses the dialog's OK and Escape its Cancel while a spin, time or note
// edit has the focus, after typing into it as well as before.
TEST(DialogKeysTest, EnterAndEscapeReachTheDialogFromEveryNumberEdit)
{
    widgettest::ProfileFolder folder;
    struct Kind {
        const char* name;
        std::function<std::unique_ptr<MCSpinEdit>()> make;
    };
    const Kind kinds[] = {
        {"spin edit", [] { return std::make_unique<MCSpinEdit>(); }},
        {"time edit", [] { return std::make_unique<MCTimeEdit>(); }},
        {"note edit", [] { return std::make_unique<MCNoteEdit>(); }},
    };
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool typeFirst;
        QDialog::DialogCode result;
    };
    const Press presses[] = {
        {Qt::Key_Return, Qt::NoModifier, false, QDialog::Accepted},
        {Qt::Key_Enter, Qt::KeypadModifier, false, QDialog::Accepted},
        {Qt::Key_Return, Qt::NoModifier, true, QDialog::Accepted},
        {Qt::Key_Escape, Qt::NoModifier, false, QDialog::Rejected},
        {Qt::Key_Escape, Qt::NoModifier, true, QDialog::Rejected},
    };
    for (const Kind& kind : kinds) {
        for (const Press& press : presses) {
            SCOPED_TRACE(testing::Message() << kind.name << " key " << press.key << " typed " << press.typeFirst);
            EditDialog window(kind.make());
            ASSERT_TRUE(window.edit->hasFocus());
            if (press.typeFirst)
                QTest::keyClick(window.edit, Qt::Key_2);
            // A result that differs from both, so the test sees whether the key did anything.
            window.dialog.setResult(-1);
            QTest::keyClick(window.edit, press.key, press.modifiers);
            EXPECT_EQ(window.dialog.result(), press.result);
            EXPECT_FALSE(window.dialog.isVisible());
        }
    }
}

}  // namespace
