#pragma once

// The stateless era of the protocol (revision 2026-07-28): no handshake; every request names
// its revision and the client's capabilities in params._meta, and is answered on its own.

#include "editor/editorExchange.h"
#include "protocol/envelope.h"
#include "protocol/toolCall.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The one revision of this era the server speaks.
extern const QString statelessRevision;

// Whether a request belongs to this era: its params' _meta holds the revision key. A bare
// _meta, a progress token or another vendor's key is no such claim.
bool claimsStatelessEra(const QJsonObject& params);

// The reply to a request of this era: the envelope checked first, then the method.
Reply statelessReply(const QJsonValue& id, const QString& method, const QJsonObject& params,
                     const ToolCaller& caller);

// The reply to "server/discover" sent without the claim: it exists only in this era.
QByteArray discoverWithoutClaimReply(const QJsonValue& id);
