// orvane-inspect --all: one line for each live record of the family, made from a copy of its
// bytes. The record holds no time, so how long a client has left its record alone is only what
// inspect saw itself between its looks.
#pragma once

#include <map>
#include <string>
#include <vector>

inline constexpr int kTableNameWidth = 15;   // "orvane_share_64"
inline constexpr int kTableLabelWidth = 31;  // the longest label, in characters

std::string RecordTableHeader();

// One record's line. `readable` false: a record that is there but could not be read (another
// user's, say), shown with its name alone.
std::string RecordTableLine(const std::string& name, bool readable, const std::vector<unsigned char>& bytes,
                            const std::string& unchanged);

// A label's Windows-1252 bytes as UTF-8 for the terminal, one character per byte, padded to the
// label column. A byte the code page leaves undefined, or a control byte, shows as '?', so that
// nothing a client writes can steer the terminal.
std::string LabelCell(const std::string& label);

// Whether the client changed its record between two looks. What readers write (flags lowered,
// the offered graph area, the marker and the priority class) is no change of the client's; a
// flag raised again is, even over the same bytes.
bool ClientChanged(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after);

// What inspect saw of each record across its looks, by name.
class ChangeWatch {
public:
    // A look at `bytes` of `name` at `seconds` of a steady clock.
    void Look(const std::string& name, const std::vector<unsigned char>& bytes, double seconds);
    // Forgets the records that are not among `names` (gone since, or never seen).
    void KeepOnly(const std::vector<std::string>& names);
    // "-" after a single look; "N s" when the last change seen came N seconds before `seconds`;
    // "N+ s" when no change came in the N seconds watched, so the record has been left alone at
    // least that long.
    std::string Unchanged(const std::string& name, double seconds) const;

private:
    struct Seen {
        std::vector<unsigned char> bytes;
        double firstSeconds = 0;
        double lastSeconds = 0;
        double changedSeconds = 0;
        bool changeSeen = false;
    };
    std::map<std::string, Seen> seen_;
};
