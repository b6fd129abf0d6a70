// SPDX-License-Identifier: MIT
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

#include <sys/stat.h>

#include <filesystem>

#include "platform/THelpBrowser.h"

namespace {

QPointer<THelpWindow>& TheWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

const QString WindowCaption = QStringLiteral("Quarnel Help");

} // namespace

THelpWindow::THelpWindow() : View(new THelpBrowser(this))
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
    std::string_view page = topic.empty() ? DefaultPage : topic;
    std::string_view anchor;
    if (const std::size_t hash = page.find('#'); hash != std::string_view::npos) {
        anchor = page.substr(hash + 1);
        page = page.substr(0, hash);
    }
    // The folder stays bytes until the page is read; its name need not be valid UTF-8.
    std::string folder = helpFolder;
    if (!folder.empty() && folder.front() != '/') {
        std::error_code error;
        folder = (std::filesystem::current_path(error) / folder).string();
    }
    const std::string pageBytes = folder + "/" + std::string(page);
    struct stat info {};
    if (page.empty() || ::stat(pageBytes.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
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
    window->View->SetFolder(folder);
    const QString folderText = window->View->FolderText() + QLatin1Char('/');
    window->Home = QUrl::fromLocalFile(folderText + QString::fromUtf8(DefaultPage.data(), DefaultPage.size()));
    QUrl url = QUrl::fromLocalFile(folderText + QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size())));
    if (!anchor.empty())
        url.setFragment(QString::fromUtf8(anchor.data(), static_cast<qsizetype>(anchor.size())));
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
    struct stat info {};
    if (::stat(View->LocalPath(Home).c_str(), &info) == 0 && S_ISREG(info.st_mode))
        View->setSource(Home);
}

void THelpWindow::DestroyInstance()
{
    delete TheWindow().data();
}
