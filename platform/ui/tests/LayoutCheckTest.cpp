#include "platform/ui/tests/UiTestEnvironment.h"
#include "platform/ui/tests/support/LayoutCheck.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using plat::ui::test::LayoutCheck;
using testing::HasSubstr;

// A dialog laid out by Qt, as every window of the program is: the check finds nothing.
TEST(LayoutCheckTest, ALaidOutDialogHolds)
{
    QDialog dialog;
    dialog.setWindowTitle("Configure MIDI Input");
    auto* form = new QFormLayout(&dialog);
    auto* title = new QLineEdit;
    auto* label = new QLabel("&Title:");
    label->setBuddy(title);
    form->addRow(label, title);
    auto* box = new QGroupBox("Recording options");
    auto* inner = new QVBoxLayout(box);
    inner->addWidget(new QCheckBox("MIDI Input &Feedthrough on."));
    form->addRow(box);
    auto* tree = new QTreeWidget;
    tree->setHeaderLabels({"Name", "Size", "Date Modified"});
    tree->addTopLevelItem(new QTreeWidgetItem({"a very long file name that may be elided.kvd", "12 KiB", "2024-05-01"}));
    for (int column = 1; column < 3; ++column)
        tree->resizeColumnToContents(column);
    form->addRow(tree);
    form->addRow(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
    EXPECT_TRUE(LayoutCheck::fits(dialog));
    EXPECT_FALSE(dialog.isVisible());
}

// Each window has one fault placed by hand; the check names it.
TEST(LayoutCheckTest, EachFaultIsFound)
{
    struct Case {
        const char* fault;
        std::function<void(QWidget&)> build;
    };
    const Case cases[] = {
        {"overlaps",
         [](QWidget& window) {
             (new QPushButton("OK", &window))->setGeometry(10, 10, 100, 30);
             (new QPushButton("Cancel", &window))->setGeometry(80, 20, 100, 30);
         }},
        {"lies outside its parent",
         [](QWidget& window) { (new QPushButton("OK", &window))->setGeometry(350, 10, 100, 30); }},
        {"its text needs",
         [](QWidget& window) { (new QLabel("Available tracks:", &window))->setGeometry(10, 10, 40, 30); }},
        {"shows its '&'",
         [](QWidget& window) { (new QLabel("A&rtist:", &window))->setGeometry(10, 10, 200, 30); }},
        {"inside its frame",
         [](QWidget& window) { (new QPushButton("Recording Setup", &window))->setGeometry(10, 10, 50, 30); }},
        {"beside its indicator",
         [](QWidget& window) { (new QCheckBox("Feedthrough on", &window))->setGeometry(10, 10, 50, 30); }},
        {"its title needs",
         [](QWidget& window) { (new QGroupBox("A long group title", &window))->setGeometry(10, 10, 60, 100); }},
        {"for its header",
         [](QWidget& window) {
             auto* tree = new QTreeWidget(&window);
             tree->setGeometry(10, 10, 380, 200);
             tree->setHeaderLabels({"Name", "Date Modified"});
             tree->header()->setStretchLastSection(false);
             tree->header()->resizeSection(1, 30);
         }},
        {"beyond the view's edge",
         [](QWidget& window) {
             auto* tree = new QTreeWidget(&window);
             tree->setGeometry(10, 10, 200, 200);
             tree->setHeaderLabels({"Name", "Size"});
             tree->header()->setStretchLastSection(false);
             tree->header()->resizeSection(0, 180);
         }},
        {"the cell '17/05/2024 14:05'",
         [](QWidget& window) {
             auto* tree = new QTreeWidget(&window);
             tree->setGeometry(10, 10, 380, 200);
             tree->setHeaderLabels({"Name", "Date"});
             tree->header()->setStretchLastSection(false);
             tree->addTopLevelItem(new QTreeWidgetItem({"piece.kvd", "17/05/2024 14:05"}));
             tree->header()->resizeSection(1, tree->header()->sectionSizeHint(1));
         }},
        {"pixels of height",
         [](QWidget& window) { (new QLineEdit("C4", &window))->setGeometry(10, 10, 100, 8); }},
        {"the title 'Configure MIDI Input'",
         [](QWidget& window) {
             window.setWindowTitle("Configure MIDI Input");
             window.setFixedWidth(120);
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.fault);
        QWidget window;
        window.resize(400, 300);
        test.build(window);
        const std::vector<std::string> found = LayoutCheck::faults(window);
        ASSERT_EQ(found.size(), 1u) << testing::PrintToString(found);
        EXPECT_THAT(found[0], HasSubstr(test.fault));
    }
}

// Ink is counted in logical coordinates, whatever the image's pixel ratio.
TEST(LayoutCheckTest, InkIsMeasuredInLogicalPixels)
{
    for (const qreal ratio : {1.0, 2.0}) {
        QImage image(QSize(100, 40) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.fillRect(QRect(10, 10, 30, 10), Qt::black);
        }
        EXPECT_EQ(LayoutCheck::inkIn(image, QRect(0, 0, 100, 40), qRgb(255, 255, 255)), int(300 * ratio * ratio));
        EXPECT_EQ(LayoutCheck::inkIn(image, QRect(50, 0, 50, 40), qRgb(255, 255, 255)), 0);
        EXPECT_EQ(LayoutCheck::inkBounds(image, QRect(0, 0, 100, 40), qRgb(255, 255, 255)), QRect(10, 10, 30, 10));
        EXPECT_TRUE(LayoutCheck::inkBounds(image, QRect(50, 0, 50, 40), qRgb(255, 255, 255)).isEmpty());
    }
}

}  // namespace
