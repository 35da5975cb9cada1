// The peer of the program's start-up: an empty main window of Qt's own with a menu bar, a
// toolbar and an MDI area, shown the way the program shows its frame. It loads nothing of the
// program, so its start-up is Qt's alone.

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle("Empty");
    for (const char* title : {"&File", "&Edit", "&View", "&Window", "&Help"}) {
        QMenu* menu = frame.menuBar()->addMenu(title);
        for (int i = 0; i < 8; ++i)
            menu->addAction(QString("Item %1").arg(i + 1));
    }
    QToolBar* bar = frame.addToolBar("Standard");
    for (const QStyle::StandardPixmap icon : {QStyle::SP_FileIcon, QStyle::SP_DirOpenIcon, QStyle::SP_DialogSaveButton,
                                              QStyle::SP_MediaPlay, QStyle::SP_MediaStop})
        bar->addAction(frame.style()->standardIcon(icon), "Button");
    frame.setCentralWidget(new QMdiArea(&frame));
    frame.statusBar()->showMessage("Ready");
    frame.showMaximized();
    return application.exec();
}
