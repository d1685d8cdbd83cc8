#include "app/IntakeFilter.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {

// A name is looked up once typing has paused: the host box applies every
// intermediate text.
constexpr int LookupDelayMs = 300;

} // namespace

TIntakeFilter::TIntakeFilter(QObject* Parent)
    : QObject(Parent)
{
    FLookupDelay.setSingleShot(true);
    FLookupDelay.setInterval(LookupDelayMs);
    connect(&FLookupDelay, &QTimer::timeout, this,
            [this] { FLookupId = QHostInfo::lookupHost(FHost, this, &TIntakeFilter::LookedUp); });
}

// A look-up still under way is not aborted (Qt then keeps its reply
// handler for good); its answer, no longer asked for, is ignored.
TIntakeFilter::~TIntakeFilter() = default;

void TIntakeFilter::SetRemoteHost(const QString& Text)
{
    const QString Host = Text.trimmed();
    if (Host == FHost && FState != THostState::NotFound)
        return;
    FLookupDelay.stop();
    FLookupId = -1;
    FHost = Host;
    FAddresses.clear();
    if (FHost.isEmpty()) {
        FState = THostState::Any;
        return;
    }
    QHostAddress Address;
    if (Address.setAddress(FHost) && Address.protocol() == QHostAddress::IPv4Protocol) {
        // The sender's text is compared: the address as typed and in its
        // plain dotted form.
        FState = THostState::Address;
        FAddresses.insert(FHost);
        FAddresses.insert(Address.toString());
        return;
    }
    FState = THostState::Resolving;
    FLookupDelay.start();
}

void TIntakeFilter::LookedUp(const QHostInfo& Info)
{
    if (FLookupId < 0 || Info.lookupId() != FLookupId)
        return;
    FLookupId = -1;
    FAddresses.clear();
    for (const QHostAddress& Address : Info.addresses()) {
        bool IsIPv4 = false;
        const quint32 IPv4 = Address.toIPv4Address(&IsIPv4);
        if (IsIPv4)
            FAddresses.insert(QHostAddress(IPv4).toString());
    }
    FState = FAddresses.isEmpty() ? THostState::NotFound : THostState::Resolved;
    if (OnHostChanged)
        OnHostChanged();
}

bool TIntakeFilter::HostAccepts(const QString& FromIP) const
{
    return FState == THostState::Any || FAddresses.contains(FromIP);
}

QString TIntakeFilter::HostProblem() const
{
    switch (FState) {
    case THostState::Resolving:
        return QStringLiteral("Looking up remote host \"%1\"...").arg(FHost);
    case THostState::NotFound:
        return QStringLiteral("Remote host \"%1\" is not an IPv4 address or a known host name: "
                              "every datagram is dropped")
            .arg(FHost);
    default:
        return {};
    }
}

uint64_t TIntakeFilter::DroppedTotal() const
{
    uint64_t Total = 0;
    for (const uint64_t Count : FDropped)
        Total += Count;
    return Total;
}

QString TIntakeFilter::DropSummary() const
{
    return QStringLiteral("too short %1, too long %2, other host %3, other port %4")
        .arg(FDropped[dcTooShort])
        .arg(FDropped[dcTooLong])
        .arg(FDropped[dcHost])
        .arg(FDropped[dcPort]);
}
