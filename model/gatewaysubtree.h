#pragma once

#include <QString>

#include <memory>

class Node;

// The site-model nodes of one gateway, made exactly as a newly placed gateway
// box makes them: its element node (type 1) with 32 energizers (each with
// "Sector1", "Sector2" and "Gate") and 31 IO cards, and its row of the
// energizer states model (type 1) with the 63 status rows "Energ1" …
// "Energ32", "IOCard33" … "IOCard63". A device node carries the columns of
// its status row, but its name in column 1 as well. Each status row and its
// device node are paired both ways, and so are the two gateway nodes.
//
// The caller hangs the element node into the element tree and the row into
// the energizer states model.
class GatewaySubtree
{
public:
    static constexpr int DeviceCount = 63;
    static constexpr int EnergizerCount = 32;
    static constexpr int ColumnCount = 12;
    static constexpr int WorkspaceColumn = 10;
    static constexpr int IPColumn = 11;
    static constexpr int EnergizerCommandType = 5;
    static constexpr int IOCardCommandType = 7;
    static inline const QString DefaultWorkspace = QStringLiteral("workspace");

    explicit GatewaySubtree(const QString& ip);
    ~GatewaySubtree();

    // The gateway's element node (the box's node) and its energizer-model row.
    std::unique_ptr<Node> elementNode;
    std::unique_ptr<Node> statusNode;
};
