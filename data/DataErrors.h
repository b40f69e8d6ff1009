#pragma once
// Errors of the record store and the field mapping.

#include "mysql/client/DAErrors.h"

namespace brevant {

/// A failure of the store or the mapping with one of their fixed texts.
class EDataError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

}  // namespace brevant
