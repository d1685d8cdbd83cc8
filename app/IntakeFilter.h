// TIntakeFilter: which senders' datagrams the intake takes (the configured
// remote host), and the count of datagrams it drops, by cause. The host may
// be typed as a dotted address or as a name; a name is looked up once the
// setting has stayed the same for a moment, without blocking the window,
// and then matches every IPv4 address it has.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

class QHostInfo;

enum TDropCause {
    dcTooShort, // fewer than 4 bytes
    dcTooLong,  // more than the endpoint's 2048-byte buffer
    dcHost,     // from another host than the configured one
    dcPort,     // from another port than the configured one
    dcCauseCount
};

class TIntakeFilter : public QObject {
    Q_OBJECT
public:
    enum class THostState {
        Any,       // no host set: every sender is taken
        Address,   // a dotted IPv4 address
        Resolving, // a name being looked up: nothing is taken meanwhile
        Resolved,  // a name with at least one IPv4 address
        NotFound,  // neither an address nor a name with an IPv4 address
    };

    explicit TIntakeFilter(QObject* Parent = nullptr);
    ~TIntakeFilter() override;

    // The host as typed; surrounding blanks and line breaks are dropped.
    void SetRemoteHost(const QString& Text);
    // The host as used (trimmed).
    const QString& RemoteHost() const { return FHost; }
    THostState HostState() const { return FState; }
    // Whether a datagram from the dotted address FromIP is taken.
    bool HostAccepts(const QString& FromIP) const;
    // What the user must know about the host setting, empty when it is in
    // order: a name not found, or still being looked up.
    QString HostProblem() const;
    // Called when a look-up ends.
    std::function<void()> OnHostChanged;

    void Drop(TDropCause Cause) { ++FDropped[Cause]; }
    uint64_t Dropped(TDropCause Cause) const { return FDropped[Cause]; }
    uint64_t DroppedTotal() const;
    // "too short 1, too long 0, other host 3, other port 0"
    QString DropSummary() const;

private:
    void LookedUp(const QHostInfo& Info);

    QString FHost;
    THostState FState = THostState::Any;
    QSet<QString> FAddresses;
    QTimer FLookupDelay;
    int FLookupId = -1;
    std::array<uint64_t, dcCauseCount> FDropped{};
};
