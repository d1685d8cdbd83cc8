// TDecodedView: the decoded view of one capture as a plain tree, what the
// window's tree shows and velmora-dump -v prints. The caption names the
// message or its subsystem; for an ISUP message the nodes are the message,
// its present parameters and the selected fields of each, with the state
// image of their kind, whether they start expanded, and which parameter or
// field they show; any other message shows one line of its octets. The
// view owns the decoded message its nodes point into.
#pragma once

#include "presentation/CaptureDecoding.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TCustomIsupPacket;
class TCustomPacketL4;
class TIsupCatalog;

// The lines of octets that messages other than ISUP show.
constexpr const char* MessageDumpPrefix = "Message Dump: ";
constexpr const char* TestPatternPrefix = "Test Pattern: ";

// What a node shows: 0 for a line of octets (no data), 1 the ISUP message,
// 2 a parameter, 3 a field.
enum TNodeKind : uint8_t {
    nkNone = 0,
    nkMessage = 1,
    nkParameter = 2,
    nkField = 3,
};

// The tree's state images: indices into the window's image list.
enum TTreeImage : int8_t {
    tiNone = -1,
    // The message: a page of text.
    tiMessage = 1,
    // A mandatory parameter: a yellow key; an optional one: a small computer.
    tiMandatory = 2,
    tiOptional = 3,
    // A BIT field that is set (a ticked box) or clear (an empty box).
    tiBitSet = 5,
    tiBitClear = 6,
    // An INTEGER, ENUM or DIGITS field: a small page.
    tiValue = 7,
};

struct TViewNode {
    std::string Text;
    // The parent node, -1 for a top-level node; the node's place among its
    // parent's children; its children in order.
    int Parent = -1;
    int Row = 0;
    std::vector<int> Children;
    uint8_t Level = 0;
    TNodeKind Kind = nkNone;
    int8_t Image = tiNone;
    // A node the view opens when it shows the tree.
    bool Expanded = false;
    // The parameter (index in the message's parameters) and field (index
    // in the parameter's fields) the node shows, -1 where none.
    int Parameter = -1;
    int Field = -1;
};

class TDecodedView {
public:
    // The view of no capture: no caption, no nodes.
    TDecodedView();
    // The view of a capture's message (octets SIO first), decoded against
    // Catalog.
    TDecodedView(std::string_view Octets, const TIsupCatalog& Catalog);
    // The view of a message decoded already; takes its decoded packet.
    explicit TDecodedView(TDecodedCapture&& Decoded);
    ~TDecodedView();
    TDecodedView(TDecodedView&&) noexcept;
    TDecodedView& operator=(TDecodedView&&) noexcept;

    // The caption panel's text: "Heart Stop Message", "MTP Subsystem
    // Message", "Test Subsystem Message", the ISUP message's caption, or the
    // decoder's error.
    const std::string& Caption() const { return FCaption; }
    // The message octets as spaced hex: what the copy commands copy.
    const std::string& DumpText() const { return FDumpText; }
    // The status text of a selected capture: "Hex: " and the dump text.
    std::string HexStatusText() const;

    // The nodes in display order (a node's children follow it); Count()
    // of them.
    int Count() const { return static_cast<int>(FNodes.size()); }
    const TViewNode& Node(int Index) const { return FNodes[static_cast<size_t>(Index)]; }
    const std::vector<int>& TopLevel() const { return FTopLevel; }

    // The status text shown while Node has the focus: "ISUP Packet Coded: "
    // and the message re-coded (empty when it codes to nothing), "Hex
    // String: " and a parameter's value octets, "Integer Value: " and a
    // field's integer. False for a line of octets, which leaves the status
    // text as it is.
    bool StatusText(int Node, std::string& Text) const;

    // Appends velmora-dump's line of Node: its text, except that a BIT
    // field's line writes its value ("Name = True" or "Name = False") where
    // the window shows the ticked or empty box, and a line of octets has no
    // blank after its last octet.
    void AppendTreeLine(int Node, std::string& Text) const;

    // The decoded ISUP message the nodes show; null for other messages.
    const TCustomIsupPacket* Message() const;

private:
    void Build(TDecodedCapture&& Decoded);
    void AddIsupNodes(const TCustomIsupPacket& Message);
    void AddOctetsLine(const char* Prefix, std::string_view Octets, size_t Offset);
    int AddNode(int Parent, TNodeKind Kind, int8_t Image);

    std::string FCaption;
    std::string FDumpText;
    std::vector<TViewNode> FNodes;
    std::vector<int> FTopLevel;
    // The line of octets shows at least one octet.
    bool FLineHasOctets = false;
    std::unique_ptr<TCustomPacketL4> FPacket;
};

// Appends velmora-dump's lines of the decoded view of Decoded, read straight
// from the decoded message without building a view: for each node in
// display order, Indent blanks and two more per level, what AppendTreeLine
// writes for it, and a line end; nothing for a stop entry.
void AppendDecodedLines(const TDecodedCapture& Decoded, size_t Indent, std::string& Text);
