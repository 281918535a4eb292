#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user. The first start listens on a local socket in the user's own
// runtime folder; a later start finds it there, asks it to show its window and ends. The first
// program answers on the GUI thread without ever waiting: it only reacts to a request once the
// request's line has arrived. A socket left behind by a program that ended without removing it
// is taken over, and when anything of this fails the program simply runs on its own: nothing here
// ever keeps it from starting.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        first,     // this program runs (and answers later starts when it could listen)
        forwarded, // another one runs and was asked to show itself: this one ends
    };

    // `socketPath`: the socket's file; a lock file beside it keeps two starts at the same moment
    // from both taking it. The program gives a name in the user's runtime folder; tests give a
    // temporary folder, so that they can never reach a program that really runs.
    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Asks a running program to show itself, handing it `activationToken` (the desktop's token
    // that lets the window come forward), or becomes the one that later starts ask.
    Role claim(const QByteArray& activationToken);

    // Stops answering (the program is about to end): later starts then run on their own.
    void release();

    // The longest activation token that is passed on; a request longer than this is dropped.
    static constexpr qsizetype maximumTokenLength = 1024;

signals:
    // A later start asked this program to show itself, with its activation token (may be empty).
    void activationRequested(const QByteArray& activationToken);

private:
    void answer();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
