#include "platform/error.h"

namespace brisolt
{

namespace
{

std::string_view Done(TFileAction action)
{
    switch (action)
    {
    case TFileAction::Open:
        return "geöffnet";
    case TFileAction::Read:
        return "gelesen";
    case TFileAction::Create:
        return "erstellt";
    }
    return "gelesen";
}

} // namespace

std::string SystemErrorText(int err)
{
    switch (err)
    {
    case kErrNotRegularFile:
        return kNotRegularFile;
    case kErrChangedMeanwhile:
        return "Sie wurde inzwischen von einem anderen Programm geändert.";
    case kErrLockedByOther:
        return "Sie ist von einem anderen Programm gesperrt.";
    case kErrFileShrank:
        return "Die Datei ist beim Lesen kürzer geworden.";
    case kErrSizeChanged:
        return "Die Größe hat sich seit dem Auflisten geändert.";
    case kErrChangedWhileRead:
        return "Die Datei hat sich beim Lesen verändert.";
    case kErrBackslashInName:
        return "Der Ordnername enthält einen umgekehrten Schrägstrich (\\).";
    default:
        return PlatformErrorText(err);
    }
}

std::string FileMessage(std::string_view path, std::string_view done, std::string_view reason)
{
    std::string message = "Datei ";
    message += path;
    message += " kann nicht ";
    message += done;
    message += " werden. ";
    message += reason;
    return message;
}

std::string FolderMessage(std::string_view path, std::string_view reason)
{
    std::string message = "Ordner ";
    message += path;
    message += " kann nicht gelesen werden. ";
    message += reason;
    return message;
}

TError TError::File(std::string_view path, TFileAction action, int code)
{
    return {code, std::string(path), FileMessage(path, Done(action), SystemErrorText(code))};
}

TError TError::Folder(std::string_view path, int code)
{
    return {code, std::string(path), FolderMessage(path, SystemErrorText(code))};
}

std::string TError::Reason() const
{
    if (Value == 0)
        return {};
    return Value == kErrOther ? Text : SystemErrorText(Value);
}

TError TError::Other(std::string message)
{
    return {kErrOther, {}, std::move(message)};
}

} // namespace brisolt
