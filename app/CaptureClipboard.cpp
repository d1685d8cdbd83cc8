#include "app/CaptureClipboard.h"

#include "presentation/CaptureRecord.h"

#include <QMimeData>

const QString CopiedMessageMimeType = QStringLiteral("application/x-velmora-l4-message");

QMimeData* CopiedMessageData(std::string_view Message, const std::string& DumpText)
{
    auto* Data = new QMimeData;
    Data->setText(QString::fromLatin1(DumpText.data(), static_cast<qsizetype>(DumpText.size())));
    if (!Message.empty())
        Data->setData(CopiedMessageMimeType, QByteArray(Message.data(), static_cast<qsizetype>(Message.size())));
    return Data;
}

std::string PastedRecord(const QMimeData* Data, const TSystemTime& Now)
{
    if (!Data)
        return {};
    const std::string Text = Data->hasText() ? Data->text().toStdString() : std::string();
    if (Data->hasFormat(CopiedMessageMimeType)) {
        const QByteArray Octets = Data->data(CopiedMessageMimeType);
        const std::string_view Message(Octets.constData(), static_cast<size_t>(Octets.size()));
        // A clipboard tool that rewrote the text kept our octets beside it:
        // then the text, which the user sees, is what is pasted.
        std::string Parsed;
        ParseCaptureLine(Text, Parsed);
        if (!Message.empty() && Parsed == Message)
            return PasteMessageRecord(Message, Now);
    }
    return PasteRecord(Text, Now);
}
