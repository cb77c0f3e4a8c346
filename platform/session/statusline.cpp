#include "platform/session/statusline.h"

#include "platform/ui/named.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using ui::named;

StatusLine::StatusLine(QWidget *parent)
    : QWidget(parent), m_icon(named(new QLabel(this), "lblStatusIcon")),
      m_text(named(new QLabel(this), "lblStatus")),
      m_showDetails(named(new QToolButton(this), "cmdDetails")),
      m_details(named(new QPlainTextEdit(this), "txtDetails"))
{
    setObjectName(QStringLiteral("status"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_icon->setAlignment(Qt::AlignTop);

    m_showDetails->setText(QStringLiteral("Deta&ils"));
    m_showDetails->setCheckable(true);
    m_showDetails->setArrowType(Qt::RightArrow);
    m_showDetails->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_showDetails->setAutoRaise(true);
    m_showDetails->setFocusPolicy(Qt::TabFocus);
    m_details->setReadOnly(true);
    m_details->setFocusPolicy(Qt::ClickFocus);
    m_details->setMaximumHeight(QFontMetrics(m_details->font()).lineSpacing() * 7);
    m_details->setVisible(false);
    connect(m_showDetails, &QToolButton::toggled, this, [this](bool open) {
        m_showDetails->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_details->setVisible(open);
        fitWindow();
    });

    auto *line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(m_icon, 0, Qt::AlignTop);
    line->addWidget(m_text, 1);
    line->addWidget(m_showDetails, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(line);
    layout->addWidget(m_details);
    setVisible(false);
}

void StatusLine::say(Tone tone, const QString &text, const QString &details)
{
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_icon->setPixmap(style()
                          ->standardIcon(tone == Tone::Fine ? QStyle::SP_DialogApplyButton
                                                            : QStyle::SP_MessageBoxCritical,
                                         nullptr, this)
                          .pixmap(size, size));
    m_text->setText(text);
    m_details->setPlainText(details);
    m_showDetails->setChecked(false);
    m_showDetails->setVisible(!details.isEmpty());
    setVisible(true);
    fitWindow();
}

void StatusLine::clear()
{
    m_text->clear();
    m_details->clear();
    m_showDetails->setChecked(false);
    setVisible(false);
    fitWindow();
}

void StatusLine::fitWindow()
{
    // A dialog on screen takes the height its text now needs at the width it has; one not shown
    // yet is sized when it shows. Once the layout has taken in what was shown or hidden.
    QTimer::singleShot(0, this, [this] {
        QWidget *dialog = window();
        QLayout *layout = dialog->layout();
        if (!dialog->isVisible() || !layout)
            return;
        layout->activate();
        const int height = layout->hasHeightForWidth()
                               ? layout->totalHeightForWidth(dialog->width())
                               : layout->totalSizeHint().height();
        dialog->resize(dialog->width(), qMax(height, dialog->minimumSizeHint().height()));
    });
}

QString StatusLine::text() const
{
    return m_text->text();
}

QString StatusLine::details() const
{
    return m_details->toPlainText();
}
