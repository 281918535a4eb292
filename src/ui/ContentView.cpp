#include "ui/ContentView.h"

#include "platform/gui/DesktopServices.h"
#include "ui/ControlStyle.h"
#include "ui/Dashboard.h"
#include "ui/Footer.h"
#include "ui/Theme.h"
#include "ui/WindowTexts.h"
#include "update/UpdateChecker.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

ContentView::ContentView(ContentState::Services services, FolderRow::Environment environment,
                         QWidget* parent)
    : QWidget(parent)
    , m_state(std::move(services))
    , m_environment(std::move(environment))
    , m_scroll(new QScrollArea(this))
    , m_dashboard(new Dashboard(m_state.items(), m_environment))
    , m_footer(new Footer(m_state, this)) {
    setMinimumSize(Theme::Window::minimumWidth, Theme::Window::minimumHeight);
    // Given less (a small screen at a large scale), the list takes what the footer leaves, and
    // the footer stays pinned under it; only below what the parts themselves need (the footer's
    // width and height, a little of the list) does the whole content scroll.
    auto* page = new QWidget;
    auto* pageScroll = new QScrollArea(this);
    pageScroll->setWidget(page);
    pageScroll->setWidgetResizable(true);
    pageScroll->setFrameShape(QFrame::NoFrame);
    pageScroll->setFocusPolicy(Qt::NoFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pageScroll);

    m_scroll->setWidget(m_dashboard);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setAccessibleName(WindowTexts::dashboardArea());
    // The area itself shows no focus; the keyboard goes from control to control inside it, and
    // Page Up and Page Down reach it from them.
    m_scroll->setFocusPolicy(Qt::NoFocus);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    divider->setForegroundRole(QPalette::Mid);

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_scroll, 1);
    column->addWidget(divider);
    column->addWidget(m_footer);

    connect(m_dashboard, &Dashboard::quickSelectSafeRequested, this,
            [this] { m_state.selectSafeCaches(); });
    connect(m_dashboard, &Dashboard::selectAllRequested, this,
            [this] { m_state.setAllSelected(true); });
    connect(m_dashboard, &Dashboard::deselectAllRequested, this,
            [this] { m_state.setAllSelected(false); });
    connect(m_footer, &Footer::rescanRequested, this, [this] {
        if (m_state.canRescan()) {
            m_state.performScan();
        }
    });
    connect(&m_state, &ContentState::changed, this, &ContentView::refresh);
    // A control that takes the keyboard focus comes into view, wherever the focus came from (Tab
    // from the footer does not pass through the scroll area). A click gives focus to what is
    // already in view, and must not move it away under the pointer before the button is released.
    // On a screen too small for the whole content, the page itself scrolls as well.
    connect(qApp, &QApplication::focusChanged, this, [this, pageScroll](QWidget*, QWidget* now) {
        if (now == nullptr || !isAncestorOf(now) || QApplication::mouseButtons() != Qt::NoButton) {
            return;
        }
        if (m_dashboard->isAncestorOf(now)) {
            m_scroll->ensureWidgetVisible(now);
        }
        pageScroll->ensureWidgetVisible(now);
    });
    // Widgets repaint at low priority, after the cleaner has moved on: paint the report at once.
    connect(&m_state, &ContentState::progressReported, m_footer, [this] {
        m_footer->layout()->activate();
        m_footer->repaint();
    });

    UpdateChecker* checker = &m_state.updateChecker();
    connect(checker, &UpdateChecker::showingUpdateAlertChanged, this, &ContentView::syncAlerts);
    connect(checker, &UpdateChecker::upToDateAlertChanged, this, &ContentView::syncAlerts);
    connect(checker, &UpdateChecker::checkFailedAlertChanged, this, &ContentView::syncAlerts);
    refresh();
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        emit appeared();
        // Runs on by itself; the state guards against outliving the window.
        m_state.launch();
        syncAlerts();
    }
}

QMessageBox* ContentView::presentedAlert(Alert alert) const {
    return m_alerts[static_cast<int>(alert)].data();
}

void ContentView::refresh() {
    m_dashboard->setDiskInfo(m_state.diskInfo());
    m_dashboard->setScanStatus(m_state.isScanning() || !m_state.hasScanned(), m_state.statusLine());
    m_footer->refresh();
    // The run the stop question asked about has ended or is stopping: the question no longer
    // stands and goes unanswered, before the result alert can open over it.
    if (m_stopQuestion && m_stopQuestion->isVisible() &&
        (!m_state.isCleaning() || m_state.isStopRequested())) {
        m_stopQuestion->done(QMessageBox::Cancel);
    }
    syncAlerts();
}

void ContentView::syncAlerts() {
    const UpdateChecker& checker = m_state.updateChecker();
    syncAlert(Alert::confirm, m_state.showingConfirmAlert());
    syncAlert(Alert::result, m_state.showingResultAlert());
    syncAlert(Alert::newVersion, checker.showingUpdateAlert());
    syncAlert(Alert::upToDate, checker.upToDateAlert());
    syncAlert(Alert::checkFailed, checker.checkFailedAlert());
}

void ContentView::syncAlert(Alert alert, bool wanted) {
    QPointer<QMessageBox>& box = m_alerts[static_cast<int>(alert)];
    if (wanted && !box && m_appeared) {
        box = makeAlert(alert);
        box->open();
    } else if (!wanted && box && box->isVisible()) {
        // Dismissed elsewhere (another window showing the same checker's alert).
        box->done(QMessageBox::Cancel);
    }
}

QMessageBox* ContentView::askToStopCleaning(std::function<void()> stopAndClose) {
    if (m_stopQuestion && m_stopQuestion->isVisible()) {
        // Asked again for another purpose (quitting while closing was asked): the answer is to
        // the newer question.
        m_stopQuestion->done(QMessageBox::Cancel);
    }
    QMessageBox* box = newMessageBox();
    box->setWindowTitle(WindowTexts::stopCleaningTitle());
    box->setText(WindowTexts::stopCleaningTitle());
    box->setInformativeText(WindowTexts::stopCleaningMessage());
    box->setIcon(QMessageBox::Warning);
    QPushButton* keep = box->addButton(WindowTexts::keepCleaning(), QMessageBox::RejectRole);
    QPushButton* stop = box->addButton(WindowTexts::stopAndClose(), QMessageBox::DestructiveRole);
    // Return and Escape must never abandon the work, not even with the focus on Stop and Close
    // (Space presses it there).
    stop->setAutoDefault(false);
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    connect(stop, &QPushButton::clicked, this, std::move(stopAndClose));
    finishAlert(box);
    m_stopQuestion = box;
    box->open();
    return box;
}

QMessageBox* ContentView::stopCleaningQuestion() const {
    return m_stopQuestion.data();
}

QMessageBox* ContentView::newMessageBox() {
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowModality(Qt::WindowModal);
    return box;
}

void ContentView::finishAlert(QMessageBox* box) {
    // Versions, release notes, item names and error texts come from outside the program: they are
    // shown as the characters they are, never as markup, and nothing in them is a link.
    box->setTextFormat(Qt::PlainText);
    for (QAbstractButton* button : box->buttons()) {
        ControlStyle::apply(button);
    }
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(
            label->textInteractionFlags() &
            ~(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
#ifndef Q_OS_MACOS
        // macOS sets an alert's title in bold itself; elsewhere the message box does not.
        if (label->text() == box->text()) {
            QFont title = label->font();
            title.setBold(true);
            label->setFont(title);
        }
#endif
    }
#ifndef Q_OS_MACOS
    // A row of its own under everything else keeps a two-line message from wrapping into a
    // narrow column. Added last: the box lays itself out anew whenever its parts change.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(Theme::scaled(Theme::Alert::minimumTextWidth), 0,
                                      QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
#endif
}

QMessageBox* ContentView::makeAlert(Alert alert) {
    QMessageBox* box = newMessageBox();
    UpdateChecker& checker = m_state.updateChecker();
    // Clears the alert's flag whichever way it closes.
    std::function<void()> dismiss;

    switch (alert) {
    case Alert::confirm: {
        // The figures are what the cleanup removes itself; what it leaves for the administrator
        // command is said apart.
        using Part = ContentState::Part;
        const qsizetype removed = m_state.selectedCount(Part::program);
        const qint64 bytes = m_state.selectedBytes(Part::program);
        box->setWindowTitle(WindowTexts::confirmTitle());
        box->setText(WindowTexts::confirmTitle());
        box->setInformativeText(
            WindowTexts::confirmMessage(removed, bytes, m_state.selectedCount(Part::administrator),
                                        m_state.selectedBytes(Part::administrator)));
        box->setIcon(QMessageBox::Warning);
        QPushButton* remove = box->addButton(removed > 0 ? WindowTexts::confirmDelete(bytes)
                                                         : WindowTexts::confirmContinue(),
                                             QMessageBox::DestructiveRole);
        QPushButton* cancel = box->addButton(WindowTexts::cancel(), QMessageBox::RejectRole);
        // Return must never delete: the safe answer is the default, and stays so while the focus
        // is on the destructive button (Space presses that).
        remove->setAutoDefault(false);
        box->setDefaultButton(cancel);
        box->setEscapeButton(cancel);
        connect(remove, &QPushButton::clicked, this, [this] {
            m_state.setShowingConfirmAlert(false);
            m_state.performCleanup();
        });
        dismiss = [this] { m_state.setShowingConfirmAlert(false); };
        break;
    }
    case Alert::result: {
        box->setWindowTitle(WindowTexts::resultTitle());
        box->setText(WindowTexts::resultTitle());
        const auto& result = m_state.lastResult();
        if (result) {
            box->setInformativeText(WindowTexts::resultMessage(*result));
            box->setDetailedText(WindowTexts::resultDetails(*result));
        }
        // One role for both buttons: the desktop's button layout orders roles its own way
        // (some put actions first) but keeps the order of the buttons within one role.
        QPushButton* ok = box->addButton(WindowTexts::ok(), QMessageBox::ActionRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
        if (result && !result->sudoCommandsRequired.isEmpty()) {
            QPushButton* copy =
                box->addButton(WindowTexts::copySudoCommand(), QMessageBox::ActionRole);
            connect(copy, &QPushButton::clicked, this,
                    [this] { m_state.copyAdministratorCommand(); });
        }
        dismiss = [this] { m_state.setShowingResultAlert(false); };
        break;
    }
    case Alert::newVersion: {
        box->setWindowTitle(WindowTexts::newVersionTitle());
        box->setText(WindowTexts::newVersionTitle());
        box->setInformativeText(WindowTexts::newVersionMessage(
            checker.latestVersion(), checker.currentAppVersion(), checker.releaseNotes()));
        // Same role for the same reason as the result's buttons; Escape still means "Later".
        QPushButton* download =
            box->addButton(WindowTexts::downloadUpdate(), QMessageBox::ActionRole);
        QPushButton* later = box->addButton(WindowTexts::later(), QMessageBox::ActionRole);
        box->setDefaultButton(download);
        box->setEscapeButton(later);
        connect(download, &QPushButton::clicked, this, [this, &checker] {
            if (const QUrl url = checker.downloadURL(); !url.isEmpty() && m_environment.desktop) {
                m_environment.desktop->openUrl(url);
            }
        });
        dismiss = [&checker] { checker.setShowingUpdateAlert(false); };
        break;
    }
    case Alert::upToDate:
        box->setWindowTitle(WindowTexts::upToDateTitle());
        box->setText(WindowTexts::upToDateTitle());
        box->setInformativeText(WindowTexts::upToDateMessage(checker.currentAppVersion()));
        box->addButton(WindowTexts::ok(), QMessageBox::AcceptRole);
        dismiss = [&checker] { checker.setUpToDateAlert(false); };
        break;
    case Alert::checkFailed:
        box->setWindowTitle(WindowTexts::checkFailedTitle());
        box->setText(WindowTexts::checkFailedTitle());
        box->setInformativeText(WindowTexts::checkFailedMessage(
            checker.lastFailure() == UpdateChecker::Failure::unreadableAnswer));
        box->addButton(WindowTexts::ok(), QMessageBox::AcceptRole);
        dismiss = [&checker] { checker.setCheckFailedAlert(false); };
        break;
    }
    finishAlert(box);
    connect(box, &QMessageBox::finished, this, dismiss);
    return box;
}
