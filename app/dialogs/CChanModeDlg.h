#pragma once

#include <QDialog>

class MCChanModeList;
class MCOpusDoc;

// The channel-mode messages of a document, listed with their time, device and channel; it
// adds, edits and removes them.
class CChanModeDlg : public QDialog {
public:
    static constexpr int kList = 861, kNew = 862, kEdit = 863, kRemove = 864;

    explicit CChanModeDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    void OnNew();
    void OnEdit();
    // Removes every selected message at once, without asking.
    void OnRemove();

private:
    MCOpusDoc* m_doc;
    MCChanModeList* m_list;
};
