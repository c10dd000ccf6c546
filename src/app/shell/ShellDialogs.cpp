#include "app/shell/ShellDialogs.h"

#include "app/shell/MenuBarIcon.h"
#include "ui/design/WD.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace {

// The brand glyph; the box keeps its standard icon when the artwork is missing.
void applyBrandIcon(QMessageBox &box)
{
    const std::optional<QImage> icon =
        MenuBarIconDrawing::tintedTemplate(WD::palette().brand500, 64.0);
    if (icon)
        box.setIconPixmap(QPixmap::fromImage(*icon));
}

} // namespace

void MessageBoxDialogs::activateApplication()
{
    if (m_activate)
        m_activate();
}

ShellDialogs::IdleAnswer MessageBoxDialogs::askIdleDecision()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zudevav EvozUvarevu"),
                    QStringLiteral("You are idle"));
    box.setInformativeText(QStringLiteral("Continue the session or stop?"));
    applyBrandIcon(box);
    QPushButton *continueButton =
        box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Stop"), QMessageBox::RejectRole);
    box.setDefaultButton(continueButton);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == continueButton ? IdleAnswer::Continue : IdleAnswer::Stop;
}

void MessageBoxDialogs::showSessionTakenOver()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zudevav EvozUvarevu"),
                    QStringLiteral("Session resumed on another device"));
    box.setObjectName(QString::fromLatin1(takenOverDialogName));
    box.setAccessibleName(QString::fromLatin1(takenOverDialogName));
    box.setInformativeText(QStringLiteral("Tracking on this device was stopped because your "
                                          "session was resumed on another device."));
    applyBrandIcon(box);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void MessageBoxDialogs::showLaunchProblem(const QString &title, const QString &problem)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Zudevav EvozUvarevu"), title);
    box.setInformativeText(problem);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void MessageBoxDialogs::presentInformational(const QString &messageText,
                                             const std::optional<QString> &informativeText)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Zudevav EvozUvarevu"), messageText);
    if (informativeText && !informativeText->isEmpty())
        box.setInformativeText(*informativeText);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void MessageBoxDialogs::presentNotice(const QString &messageText, const QString &informativeText)
{
    QPointer<QMessageBox> &notice = m_notices[messageText];
    if (!notice) {
        notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zudevav EvozUvarevu"),
                                 messageText);
        notice->setObjectName(QString::fromLatin1(noticeDialogName));
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->setWindowModality(Qt::NonModal);
        notice->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        notice->setWindowFlag(Qt::WindowStaysOnTopHint);
        applyBrandIcon(*notice);
    }
    notice->setInformativeText(informativeText);
    notice->show();
    notice->raise();
}
