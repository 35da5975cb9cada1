#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QLineEdit;

// Defines a new part for new staves: its label, staff type, clef, key signature and
// instrument, stored with the part picker's parts.
class CDefinePartDlg : public QDialog {
public:
    static constexpr int kLabel = 1271, kStaffType = 1272, kInstrument = 1273, kClef = 1274, kMajor = 1275,
                         kMinor = 1276, kSharps = 1277, kFlats = 1278;

    explicit CDefinePartDlg(QWidget* parent = nullptr);

    // The label of the part added; empty when the dialog was cancelled.
    static std::string Run(QWidget* parent = nullptr);

    void accept() override;

    int GetStaffType() const { return m_staffType; }
    int GetClef() const { return m_clef; }
    int GetSharps() const { return m_sharps; }
    int GetFlats() const { return m_flats; }
    int GetMode() const { return m_mode; }
    int GetProgram() const;
    std::string GetLabel() const;

private:
    void OnStaffType();
    void OnClef();
    void OnKey(int index, int mode);
    void OnSharps();
    void OnFlats();
    void UpdateEnabling();
    void ShowData();

    QLineEdit* m_label;
    QComboBox* m_staffTypes;
    QComboBox* m_instruments;
    QComboBox* m_clefs;
    QComboBox* m_majors;
    QComboBox* m_minors;
    QComboBox* m_sharpCounts;
    QComboBox* m_flatCounts;
    int m_staffType = 0;
    int m_clef = 0;
    int m_sharps = 0;
    int m_flats = 0;
    int m_mode = 0;
};
