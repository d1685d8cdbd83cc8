// The window and velmora-dump show the same texts: the bundled sample call,
// a generated call mix and a file of odd captures are loaded into the window
// and run through velmora-dump (tab-separated with the decoded view's lines,
// and JSON); for every capture the list row's cells and state image, and
// for its decoded view the caption, each node's line and the status text of
// the row and of each node must be what velmora-dump printed.
#include "tests/app/app_test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace AppTest;

namespace {

// What velmora-dump printed for one capture.
struct TDumped {
    QStringList Cells;
    QStringList TreeLines;
    QJsonObject Json;
};

// Runs a program; its standard output, or a failed check.
bool Run(const QString& Program, const QStringList& Arguments, QByteArray& Output)
{
    QProcess Process;
    Process.start(Program, Arguments);
    if (!Process.waitForFinished(300000) || Process.exitStatus() != QProcess::NormalExit || Process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(Program), Process.readAllStandardError().constData());
        return false;
    }
    Output = Process.readAllStandardOutput();
    return true;
}

bool Dump(const QString& File, std::vector<TDumped>& Dumped)
{
    const QString Cfg = QStringLiteral(VELMORA_SOURCE_CFG);
    QByteArray Text;
    QByteArray Json;
    if (!Run(QStringLiteral(VELMORA_DUMP_PATH),
             {QStringLiteral("--tsv"), QStringLiteral("-v"), QStringLiteral("--cfg"), Cfg, QStringLiteral("--records"),
              File},
             Text) ||
        !Run(QStringLiteral(VELMORA_DUMP_PATH),
             {QStringLiteral("--json"), QStringLiteral("--cfg"), Cfg, QStringLiteral("--records"), File}, Json))
        return false;
    for (const QByteArray& Line : Text.split('\n')) {
        if (Line.isEmpty())
            continue;
        // The decoded view's lines start with eight blanks, message lines never.
        if (Line.startsWith("        ")) {
            if (Dumped.empty())
                return false;
            Dumped.back().TreeLines << QString::fromUtf8(Line);
        } else {
            Dumped.push_back({QString::fromUtf8(Line).split(QLatin1Char('\t')), {}, {}});
        }
    }
    size_t Index = 0;
    for (const QByteArray& Line : Json.split('\n')) {
        if (Line.isEmpty())
            continue;
        if (Index >= Dumped.size())
            return false;
        Dumped[Index++].Json = QJsonDocument::fromJson(Line).object();
    }
    return Index == Dumped.size();
}

// The octets as the window shows them: a blank after every pair.
QString Spaced(const QString& HexWords)
{
    return HexWords.isEmpty() ? HexWords : HexWords + QLatin1Char(' ');
}

// The state image the window shows for what velmora-dump tells of a
// capture: a stop entry has no link, a failed one an error; then the
// direction decides.
int ExpectedImage(const QJsonObject& Json)
{
    if (!Json.contains(QStringLiteral("link")))
        return ciStop;
    if (Json.contains(QStringLiteral("error")))
        return ciError;
    switch (Json.value(QStringLiteral("direction")).toInt()) {
    case 1:
        return ciIn;
    case 2:
        return ciOut;
    default:
        return ciNone;
    }
}

// The nodes of the decoded tree in display order, with their depth.
void Nodes(const QAbstractItemModel& Tree, const QModelIndex& Parent, int Depth,
           std::vector<std::pair<QModelIndex, int>>& Result)
{
    for (int Row = 0; Row < Tree.rowCount(Parent); ++Row) {
        const QModelIndex Node = Tree.index(Row, 0, Parent);
        Result.emplace_back(Node, Depth);
        Nodes(Tree, Node, Depth + 1, Result);
    }
}

// velmora-dump's line of a node: its text indented, a BIT field's value
// written out where the window shows a ticked or empty box, and no blank
// after the last octet of a line of octets.
QString DumpLine(const QModelIndex& Node, int Depth)
{
    QString Text = Node.data().toString();
    const int Image = Node.data(TDecodedTreeModel::StateImageRole).toInt();
    if (Image == tiBitSet)
        Text += QStringLiteral(" = True");
    else if (Image == tiBitClear)
        Text += QStringLiteral(" = False");
    else if (Node.data(TDecodedTreeModel::NodeKindRole).toInt() == nkNone && !Text.endsWith(QStringLiteral(": ")))
        Text.chop(1);
    return QString(8 + 2 * Depth, QLatin1Char(' ')) + Text;
}

} // namespace

class TWindowVsDumpTest : public QObject {
    Q_OBJECT

    QTemporaryDir FFiles;

    // Loads File into a window and compares every capture with what
    // velmora-dump printed for it.
    void Compare(const QString& File, int AtLeast)
    {
        std::vector<TDumped> Dumped;
        QVERIFY(Dump(File, Dumped));
        QVERIFY2(static_cast<int>(Dumped.size()) >= AtLeast, qPrintable(QString::number(Dumped.size())));

        TWindow W;
        W.Form->LoadCaptures(File);
        QCOMPARE(W.Rows(), static_cast<int>(Dumped.size()));
        const TDecodedTreeModel& Tree = *W.Form->TreeModel();
        // velmora-dump's columns of records: LINE TIME DATE IN OUT LINK
        // "ROUTING LABEL" CIC DETAIL ERROR.
        const int Columns[] = {colTime, colDate, colIn, colOut, colLink, colRoutingLabel, colCic};
        for (int Row = 0; Row < W.Rows(); ++Row) {
            const TDumped& Line = Dumped[static_cast<size_t>(Row)];
            const QString Where = QStringLiteral("line %1").arg(Row + 1);
            QCOMPARE(Line.Cells.size(), 10);
            for (int I = 0; I < 7; ++I)
                QVERIFY2(W.Cell(Row, Columns[I]) == Line.Cells[I + 1],
                         qPrintable(Where + QStringLiteral(": ") + W.Cell(Row, Columns[I]) + QStringLiteral(" / ") +
                                    Line.Cells[I + 1]));
            QCOMPARE(W.Cell(Row, colDescription), Line.Cells[9]);
            QCOMPARE(W.Image(Row), ExpectedImage(Line.Json));

            W.Select(Row);
            QCOMPARE(W.Form->Caption(), Line.Json.value(QStringLiteral("caption")).toString());
            const QString Octets = Line.Json.value(QStringLiteral("octets")).toString();
            QCOMPARE(W.Form->StatusText(), QStringLiteral("Hex: ") + Spaced(Octets));

            std::vector<std::pair<QModelIndex, int>> Shown;
            Nodes(Tree, {}, 0, Shown);
            QStringList Lines;
            for (const auto& [Node, Depth] : Shown)
                Lines << DumpLine(Node, Depth);
            QVERIFY2(Lines == Line.TreeLines,
                     qPrintable(Where + QStringLiteral(":\n") + Lines.join(QLatin1Char('\n')) +
                                QStringLiteral("\n/\n") + Line.TreeLines.join('\n')));

            // The status text of each node: the root's re-coded ISUP part is
            // the message after its routing label; a parameter's octets and
            // a field's integer are those of velmora-dump's JSON.
            const QJsonArray Parameters = Line.Json.value(QStringLiteral("parameters")).toArray();
            int Parameter = -1;
            int Field = 0;
            for (const auto& [Node, Depth] : Shown) {
                W.Form->SetStatusText(QStringLiteral("unchanged"));
                W.Form->TreeView()->setCurrentIndex(Node);
                const QString Status = W.Form->StatusText();
                switch (Node.data(TDecodedTreeModel::NodeKindRole).toInt()) {
                case nkMessage:
                    QCOMPARE(Status, QStringLiteral("ISUP Packet Coded: ") + Spaced(Octets.mid(5 * 3)));
                    break;
                case nkParameter: {
                    ++Parameter;
                    Field = 0;
                    QVERIFY(Parameter < Parameters.size());
                    const QJsonObject Json = Parameters[Parameter].toObject();
                    QCOMPARE(Node.data().toString(),
                             Json.value(QStringLiteral("name")).toString() + QStringLiteral(", ") +
                                 Json.value(QStringLiteral("caption")).toString());
                    QCOMPARE(Status,
                             QStringLiteral("Hex String: ") + Spaced(Json.value(QStringLiteral("hex")).toString()));
                    break;
                }
                case nkField: {
                    // Every field is selected in freshly loaded definitions.
                    const QJsonArray Fields =
                        Parameters[Parameter].toObject().value(QStringLiteral("fields")).toArray();
                    QVERIFY(Field < Fields.size());
                    const QJsonObject Json = Fields[Field++].toObject();
                    QVERIFY(Node.data().toString().startsWith(Json.value(QStringLiteral("name")).toString()));
                    QCOMPARE(Status,
                             QStringLiteral("Integer Value: ") +
                                 QString::number(Json.value(QStringLiteral("value")).toInteger()));
                    break;
                }
                default:
                    QCOMPARE(Status, QStringLiteral("unchanged"));
                    break;
                }
            }
            QCOMPARE(Parameter + 1, Parameters.size());
        }
    }

private slots:
    void theBundledSampleCall() { Compare(QStringLiteral(VELMORA_SAMPLE_CALL), 40); }

    void aGeneratedCallMix()
    {
        const QString File = FFiles.filePath(QStringLiteral("generated.ss7"));
        QByteArray Output;
        QVERIFY(Run(QStringLiteral(VELMORA_GEN_PATH),
                    {QStringLiteral("--seed"), QStringLiteral("11"), QStringLiteral("--count"), QStringLiteral("3000"),
                     QStringLiteral("--format"), QStringLiteral("ss7"), QStringLiteral("-o"), File},
                    Output));
        Compare(File, 3000);
    }

    void oddCaptures()
    {
        // A stop entry, a message of another subsystem, one without octets,
        // a truncated ISUP message, an unknown ISUP message type, a link
        // test without a pattern, an MTP message with an unknown heading,
        // and direction codes other than 1 and 2.
        const char* const Lines[] = {
            "00 00 FF 00 00 00 00",    "01 02 83 01 80 00 30 09 00 03 05 07", "02 03",
            "01 04 85 01 80 00",       "02 05 85 01 80 00 30 05 00 FE",       "03 06 81 01 80 00 30 11 00",
            "00 07 80 01 80 00 30 0F", "07 08 85 01 80 00 30 05 01 10 00",
        };
        const QString File = FFiles.filePath(QStringLiteral("odd.ss7"));
        QFile Out(File);
        QVERIFY(Out.open(QIODevice::WriteOnly));
        for (const char* Line : Lines)
            Out.write(QByteArray("EA 07 0C 00 01 00 07 00 09 00 05 00 03 00 0C 00 ") + Line + "\r\n");
        Out.close();
        Compare(File, 8);
    }
};

QTEST_MAIN(TWindowVsDumpTest)
#include "window_vs_dump_test.moc"
