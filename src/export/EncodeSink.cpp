#include "export/EncodeSink.h"

#include <cstring>

#include "lang/LanguageText.h"

CEncodeSink::CEncodeSink(std::string destination, SinkMessages messages)
    : m_strDestination(std::move(destination)), m_messages(messages) {}

void CEncodeSink::Report(const SinkMessage& message, int code) {
    if (m_bReported) return;
    m_bReported = true;
    if (message.nText == 0) return;
    const char* text = GetLanguageText(message.nText);
    switch (message.argument) {
        case SinkMessage::Argument::None:
            // Not a format: the text is shown as it stands, whatever it holds.
            ShowMessage(Owner(), "Quorvel", message.nStyle, "%s", text);
            break;
        case SinkMessage::Argument::Destination:
            ShowMessage(Owner(), "Quorvel", message.nStyle, text, m_strDestination.c_str());
            break;
        case SinkMessage::Argument::ErrorCode:
            ShowMessage(Owner(), "Quorvel", message.nStyle, text, code);
            break;
        case SinkMessage::Argument::ErrorNumber:
            ShowMessage(Owner(), "Quorvel", message.nStyle, text, code, std::strerror(code));
            break;
    }
}
