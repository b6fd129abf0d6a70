// SPDX-License-Identifier: MIT
#include "adapters/TPlatformDates.h"

#include <QLocale>

#include "model/TDateFormat.h"

void TPlatformDates::InstallProgramDateFormat(const QLocale& locale)
{
    const QByteArray picture = locale.dateFormat(QLocale::ShortFormat).toUtf8();
    TDateFormat::SetProgram(TDateFormat::FromPicture(std::string_view(picture.constData(), picture.size())));
}
