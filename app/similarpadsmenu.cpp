#include "similarpadsmenu.h"

#include "mappingline.h"

#include <QMenu>
#include <QToolButton>

SimilarPadsMenu::SimilarPadsMenu(QToolButton* button, QObject* parent)
    : QObject(parent), m_pButton(button), m_pMenu(new QMenu(button))
{
    m_pButton->setMenu(m_pMenu);
}

void SimilarPadsMenu::show(const QList<PadRelative>& relatives, bool keepSdlLine, bool enabled)
{
    m_pMenu->clear();
    if (keepSdlLine)
        m_pMenu->addAction(QStringLiteral("&Keep The Mapping SDL Applies For This Gamepad"), this,
                           &SimilarPadsMenu::keepSdlLineChosen);
    for (int i = 0; i < relatives.size(); ++i) {
        const PadRelative& relative = relatives.at(i);
        MappingLine line;
        MappingLine::parse(relative.source.line, &line);
        // A name is shown as it is: "&" would make a mnemonic of the next letter.
        const QString text =
            QStringLiteral("%1 (%2; %3)")
                .arg(QString::fromUtf8(line.name).replace(QLatin1Char('&'), QStringLiteral("&&")),
                     relative.description(), mappingOriginLabel(relative.source.origin));
        m_pMenu->addAction(text, this, [this, i] { emit relativeChosen(i); });
    }
    m_pButton->setEnabled(enabled && !m_pMenu->isEmpty());
}
