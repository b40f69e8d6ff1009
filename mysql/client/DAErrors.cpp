#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {

int LastDigitRun(const UString& text) {
    std::size_t end = text.size();
    while (end > 0 && !(text[end - 1] >= u'0' && text[end - 1] <= u'9')) --end;
    if (end == 0) return 0;
    std::size_t begin = end;
    while (begin > 0 && text[begin - 1] >= u'0' && text[begin - 1] <= u'9') --begin;
    int value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (value > 100000000) return value;  // a line number never gets this long
        value = value * 10 + (text[i] - u'0');
    }
    return value;
}

}  // namespace

EMyError::EMyError(int errorCode, UString message) : EDAError(errorCode, std::move(message)) {
    if (errorCode == 1064) FLineNumber = LastDigitRun(Message());
}

bool EMyError::IsFatalError() const {
    switch (ErrorCode()) {
        case 1053: case 2003: case 2006: case 2013: return true;
        default: return false;
    }
}

bool EMyError::IsKeyViolation() const { return ErrorCode() == 1062; }

void DatabaseError(UStringView message) { throw EDatabaseError(UString(message)); }

void DatabaseErrorFmt(UStringView format, std::initializer_list<FormatArg> args) {
    throw EDatabaseError(Format(format, args));
}

}  // namespace brevant
