#pragma once

#include <QDialog>

#include <string>

class MCOpusDoc;
class MCPartBox;
class MCTrackBox;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSpinBox;
class ECPerformance;
class ECStaff;

// Adds staves made from a named part before or after a staff or after the last, with a name
// text, clef, key signature and instrument (drums on the tenth channel), as one undoable step. The part and location chosen are
// remembered under "Settings\AddStaff". More staves than the piece has room for are refused.
class CAddStaffDlg : public QDialog {
public:
    static constexpr int kCount = 1245, kLocation = 1246, kStaff = 1249, kName = 1250, kPart = 1251, kPartMenu = 1252,
                         kDefinePart = 32820, kRemovePart = 32821;

    explicit CAddStaffDlg(MCOpusDoc* doc, QWidget* parent = nullptr);
    ~CAddStaffDlg() override;

    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void accept() override;

    // Defines a new part and chooses it.
    void OnDefinePart();
    // Forgets the chosen part.
    void OnRemovePart();

    // What a staff is made from: a named part's values, or values given outright.
    struct PartParams {
        int staffType = 0;
        int clef = 0;
        int sharps = 0;
        int flats = 0;
        int mode = 0;
        int program = 0;
    };

    // Adds one staff of the part at the staff position; count tells whether the position goes
    // into the name.
    static void AddStaff(ECPerformance* performance, const std::string& name, const std::string& part, int position,
                         int count);
    // Adds one staff at the staff position with the name text and the part's clef (not on a
    // grand staff), key (unless sharps or flats is -1), program (unless -1) and, on a drum
    // staff, the tenth channel, and sends its patch. Returns the staff, null when none was made.
    static ECStaff* AddStaff(ECPerformance* performance, const std::string& text, const PartParams& part,
                             int position);

    // Sends the staff's patch at its start to the device and channel of its first voice, so
    // that it sounds at once: all sound off, the bank and the program.
    static void SendPatch(ECStaff* staff);

private:
    void UpdateEnabling();
    int Location() const;

    MCOpusDoc* m_doc;
    int m_staves = 0;
    QSpinBox* m_count;
    QRadioButton* m_locations[3];
    MCTrackBox* m_staff;
    QLineEdit* m_name;
    MCPartBox* m_part;
    QMenu* m_partMenu;
};
