#include "platform/THelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace {

QPointer<THelpWindow>& TheWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

const QString WindowCaption = QStringLiteral("Quarnel Help");

} // namespace

THelpWindow::THelpWindow() : View(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(WindowCaption);
    // The help window does not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    View->setObjectName(QStringLiteral("HelpBrowser"));
    View->setOpenExternalLinks(true);
    setCentralWidget(View);

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setMovable(false);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("&Back"), View, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward =
        bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("&Forward"), View, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("&Contents"), this, &THelpWindow::GoHome);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(View, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(View, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(View, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = View->documentTitle();
        setWindowTitle(title.isEmpty() || title == WindowCaption ? WindowCaption : title + QStringLiteral(" - ") + WindowCaption);
    });
    resize(720, 560);
}

void THelpWindow::ShowTopic(const std::string& helpFolder, std::string_view topic)
{
    const QDir folder(QFile::decodeName(QByteArray::fromStdString(helpFolder)));
    QString page = QString::fromUtf8(topic.empty() ? DefaultPage.data() : topic.data(),
                                     static_cast<qsizetype>(topic.empty() ? DefaultPage.size() : topic.size()));
    QString anchor;
    if (const qsizetype hash = page.indexOf(QLatin1Char('#')); hash >= 0) {
        anchor = page.mid(hash + 1);
        page.truncate(hash);
    }
    const QString path = folder.absoluteFilePath(page);
    if (page.isEmpty() || !QFileInfo(path).isFile())
        return;

    QPointer<THelpWindow>& window = TheWindow();
    if (!window) {
        window = new THelpWindow;
        static bool cleanupRegistered = false;
        if (!cleanupRegistered) {
            qAddPostRoutine(&THelpWindow::DestroyInstance);
            cleanupRegistered = true;
        }
    }
    window->Home = QUrl::fromLocalFile(folder.absoluteFilePath(QString::fromUtf8(DefaultPage.data(), DefaultPage.size())));
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    window->View->setSource(url);
    window->show();
    window->raise();
    window->activateWindow();
}

THelpWindow* THelpWindow::Instance()
{
    return TheWindow().data();
}

QUrl THelpWindow::Source() const
{
    return View->source();
}

void THelpWindow::GoHome()
{
    if (QFileInfo(Home.toLocalFile()).isFile())
        View->setSource(Home);
}

void THelpWindow::DestroyInstance()
{
    delete TheWindow().data();
}
