// Draws the bundled sample map, examples/sample.qmap, with the editor's own map file code: each
// drawing below becomes a board, and each board a level of the file.
//
//   make_sample_map OUT.qmap
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "board.h"
#include "map_file.h"

namespace {

using gridwright::BoardCell;

// What each letter of the drawings below stands for: a glyph of code page 437 and a colour.
const std::map<char, BoardCell> kLegend = {
    {' ', {0, 0}},    // empty floor
    {'#', {219, 8}},  // stone wall, full block in grey
    {'%', {177, 6}},  // brick wall, medium shade in brown
    {'-', {205, 7}},  // fence, double horizontal line
    {'|', {186, 7}},  // fence, double vertical line
    {'~', {247, 9}},  // water
    {':', {176, 2}},  // grass, light shade in green
    {'T', {5, 10}},   // tree (club)
    {'@', {2, 15}},   // the player
    {'E', {1, 13}},   // a wandering enemy
    {'$', {4, 11}},   // gem (diamond)
    {'h', {3, 12}},   // extra life (heart)
    {'*', {15, 14}},  // coin (sun)
    {'k', {21, 14}},  // key
    {'D', {8, 6}},    // locked door
    {'^', {30, 4}},   // spikes
    {'>', {16, 10}},  // exit
    {'X', {255, 4}},  // solid red block, shown marked with an X
    {'.', {250, 8}},  // path stones
    {'=', {240, 3}},  // bridge planks
};

// 24 rows of 32 cells each.
const char* const kLevels[][24] = {
    {
        "################################", "#@     :::          %%%%%%%    #",
        "#      :T:    *     %  $  %    #", "#  .....:.....      %     %    #",
        "#  .   :::   .      %%%D%%%    #", "#  .         .         .       #",
        "#  .   ~~~~~~=~~~~~~   .    E  #", "#  .   ~~~~~~=~~~~~~   .       #",
        "#  .         .         .       #", "#  ........................    #",
        "#          .                   #", "#   ---------------            #",
        "#   |  *  *  *  * |     ^^^    #", "#   |             |     ^k^    #",
        "#   --------.------     ^^^    #", "#           .                  #",
        "# :::       .        TT        #", "# :T:       .       TTTT   h   #",
        "# :::       .        TT        #", "#           .                  #",
        "#  XXXX     .......>           #", "#                              #",
        "#    E                    *    #", "################################",
    },
    {
        "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%", "%@  %       %         %       $%",
        "%   %  %%%  %  %%%%%  %  %%%   %", "%   %  %    %  %   %  %    %   %",
        "%   %  %  %%%  % * %  %%%  %   %", "%      %       %   %       %   %",
        "%%%%%%%%%%%%%  %%D%%  %%%%%%   %", "%           %         %        %",
        "%  %%%%%%%  %%%%%%%%%%%  %%%%%%%", "%  %  E  %              %      %",
        "%  %     %  %%%%%%%%%%  %  *   %", "%  %%% %%%  %   ^^   %  %      %",
        "%           %   ^^   %  %%%% %%%", "%%%%%%%%%%  %  k     %         %",
        "%        %  %%%%%%%%%%  %%%%%  %", "%  *  *  %              %   %  %",
        "%        %%%%%%%  %%%%%%%   %  %", "%  %%%%                 %E  %  %",
        "%     %  %%%%%%%%%%%%%  %   %  %", "%  h  %  %           %  %   %  %",
        "%     %  %  $     $  %      %  %", "%%%%  %  %           %%%%%%%%  %",
        "%        %                    >%", "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%",
    },
    {
        "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~", "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~",
        "~~~~~:::::::~~~~~~~~~~~~~~~~~~~~", "~~~:::T:::T:::~~~~~~~~:::::~~~~~",
        "~~::@:::::::::::~~~~~:::T:::~~~~", "~~::::T::*::T::::=====:::*:::~~~",
        "~~~::::::::::::~~~~~~:::::::~~~~", "~~~~:::::h::::~~~~~~~~:::::~~~~~",
        "~~~~~~:::::~~~~~~~~~~~~~=~~~~~~~", "~~~~~~~~=~~~~~~~~~~~~~~~=~~~~~~~",
        "~~~~~~~~=~~~~~~~~~~~~~~~=~~~~~~~", "~~~~~~:::::::~~~~~~~~:::::::~~~~",
        "~~~~:::$:::$:::~~~~~:::E:::::~~~", "~~~:::T:::::T:::~~~~:::::::T:~~~",
        "~~~::::::E::::::=====:::$::::~~~", "~~~~::T:::::T::~~~~~~:::::::~~~~",
        "~~~~~:::::::::~~~~~~~~~:::~~~~~~", "~~~~~~~~:~~~~~~~~~~~~~~~=~~~~~~~",
        "~~~~~~~~=~~~~~~~~~~~~~~~=~~~~~~~", "~~~~~~:::::~~~~~~~~~~:::::::~~~~",
        "~~~~::::*::::======:::::>::::~~~", "~~~~~:::::::~~~~~~~~~:::::::~~~~",
        "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~", "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~",
    },
};

}  // namespace

int main(int argc, char** argv) {
    using namespace gridwright;
    if (argc != 2) {
        std::cerr << "usage: make_sample_map OUT.qmap\n";
        return 2;
    }
    const std::string path = argv[1];
    std::filesystem::remove(path);  // a map file keeps every byte that is not written
    int level = 0;
    for (const auto& drawing : kLevels) {
        BoardGrid board;
        for (int Y = 0; Y < kBoardRows; ++Y) {
            const std::string row = drawing[Y];
            if (row.size() != kBoardColumns) {
                std::cerr << "make_sample_map: level " << level << " row " << Y
                          << " is not 32 cells\n";
                return 1;
            }
            for (int X = 0; X < kBoardColumns; ++X) board(X, Y) = kLegend.at(row[X]);
        }
        const FileResult written =
            WriteLevelBlock(path, *LevelOffset(level), LevelBlockFromBoard(board));
        if (!written) {
            std::cerr << "make_sample_map: cannot write level " << level << " to \"" << path
                      << "\": " << written.reason << "\n";
            return 1;
        }
        ++level;
    }
    return 0;
}
