#pragma once

#include <QString>
#include <QWidget>

class CapsuleLabel;
class CategoryIcon;
class DesktopServices;
class FolderItemList;
class PlainButton;
class QCheckBox;
class SymbolView;
class TextLabel;

// One target inside its category section: selection checkbox, category icon, name with its
// badges, explanation, where it lives, its size and a button that shows it in the file manager.
// The row reads its item from the list at its position and writes only that item's selection.
class FolderRow : public QWidget {
    Q_OBJECT

public:
    // What rows need from the platform.
    struct Environment {
        // The user's home folder, for paths shown with "~"; empty abbreviates nothing.
        QString homePath;
        DesktopServices* desktop = nullptr;

        // The running system's home folder and desktop.
        static Environment system();
    };

    FolderRow(FolderItemList& items, int position, const Environment& environment,
              QWidget* parent = nullptr);

    int position() const { return m_position; }
    // Reads the item again; the list calls for this when the item's selection changed.
    void refresh();

    QCheckBox* checkBox() const { return m_check; }
    CategoryIcon* icon() const { return m_icon; }
    TextLabel* nameLabel() const { return m_name; }
    CapsuleLabel* safetyBadge() const { return m_safetyBadge; }
    CapsuleLabel* sudoBadge() const { return m_sudoBadge; }
    TextLabel* subtitleLabel() const { return m_subtitle; }
    // Where the target lies, or for one that runs a command, that command.
    TextLabel* pathLabel() const { return m_path; }
    TextLabel* sizeLabel() const { return m_size; }
    PlainButton* revealButton() const { return m_reveal; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FolderItemList& m_items;
    int m_position;
    Environment m_environment;

    QCheckBox* m_check;
    CategoryIcon* m_icon;
    TextLabel* m_name;
    CapsuleLabel* m_safetyBadge;
    CapsuleLabel* m_sudoBadge;
    TextLabel* m_subtitle;
    SymbolView* m_pathSymbol;
    TextLabel* m_path;
    TextLabel* m_size;
    PlainButton* m_reveal;
};
