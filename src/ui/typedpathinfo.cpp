#include "ui/typedpathinfo.h"

#include <cerrno>

#include "ui/nametext.h"

namespace brisolt
{

TPathInfo TypedPathInfo(const QString& text)
{
    if (text.contains(QChar(u'\0')))
    {
        TPathInfo none;
        none.Error = EINVAL;
        return none;
    }
    return PathInfo(TypedPath(text));
}

} // namespace brisolt
