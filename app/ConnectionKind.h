#pragma once
// The connection kind is the item index of the selector: which connection fields it uses.

#include <optional>

namespace brevant {

enum TConnectionKind : int {
    ckNone = -1,  // no item selected (a settings value outside 0..2)
    ckMySQL = 0,
    ckMySQLEmbedded = 1,
    ckAccess = 2,
};

/// Enabled states of the server box and the data directory box for one kind. Every
/// other connection field stays enabled for every kind.
struct TKindFieldStates {
    bool server;
    bool dataDir;
};

/// The states a kind asks for; nullopt for no kind (or any other index): leave both
/// boxes as they are.
constexpr std::optional<TKindFieldStates> KindFieldStates(int kind) {
    constexpr TKindFieldStates table[] = {
        /* ckMySQL         */ {true, false},
        /* ckMySQLEmbedded */ {true, true},
        /* ckAccess        */ {false, false},
    };
    if (kind < ckMySQL || kind > ckAccess) return std::nullopt;
    return table[kind];
}

}  // namespace brevant
