#include "mysql/wire/PacketReader.h"

#include "core/Errors.h"
#include "mysql/wire/EMySqlException.h"

namespace brevant {

void RaiseMalformedPacket() { throw EMySqlException(CR_MALFORMED_PACKET); }

void RaiseReadPastEnd() { throw EArgumentError(u"Read past the end of the packet"); }

void RaiseBadFieldLength() { throw EArgumentError(u"Invalid length-encoded integer"); }

void RaiseInvalidRecordNumber() { throw EArgumentError(u"Invalid record number"); }

}  // namespace brevant
