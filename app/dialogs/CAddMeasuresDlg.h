#pragma once

#include <QDialog>

class MCOpusDoc;
class QRadioButton;
class QSpinBox;

// Adds bars before or after a bar or at the end of the piece, as one undoable step.
class CAddMeasuresDlg : public QDialog {
public:
    static constexpr int kCount = 1401, kLocation = 1402, kMeasure = 1405;

    explicit CAddMeasuresDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void accept() override;

private:
    int Location() const;
    void UpdateEnabling();

    MCOpusDoc* m_doc;
    int m_measures = 0;
    QSpinBox* m_count;
    QRadioButton* m_locations[3];
    QSpinBox* m_measure;
};
