#include "common/directions.hpp"

#include "common/log.hpp"

CellDir inv(CellDir d) {
    return d == CellDir::H ? CellDir::V : CellDir::H;
}

std::string to_string(CellDir d) {
    switch (d) {
        case CellDir::H:
            return "H";
        case CellDir::V:
            return "V";
    }
    return "(unknown)";
}

const char* to_nick(CellDir d) {
    switch (d) {
        case CellDir::H:
            return "h";
        case CellDir::V:
            return "v";
    }
    return "";
}

MovingDir inv(MovingDir d) {
    switch (d) {
        case MovingDir::UP:
            return MovingDir::DOWN;
        case MovingDir::DOWN:
            return MovingDir::UP;
        case MovingDir::LEFT:
            return MovingDir::RIGHT;
        case MovingDir::RIGHT:
            return MovingDir::LEFT;
    }
    return d;
}

CellDir to_cell_dir(MovingDir d) {
    return (d == MovingDir::UP || d == MovingDir::DOWN) ? CellDir::V : CellDir::H;
}

std::string to_string(MovingDir d) {
    switch (d) {
        case MovingDir::UP:
            return "UP";
        case MovingDir::DOWN:
            return "DOWN";
        case MovingDir::LEFT:
            return "LEFT";
        case MovingDir::RIGHT:
            return "RIGHT";
    }
    return "(invalid)";
}

const char* to_nick(MovingDir d) {
    switch (d) {
        case MovingDir::UP:
            return "up";
        case MovingDir::DOWN:
            return "down";
        case MovingDir::LEFT:
            return "left";
        case MovingDir::RIGHT:
            return "right";
    }
    return "";
}

bool foreach_moving_dir(const std::function<bool(MovingDir)>& cb) {
    for (MovingDir d : {MovingDir::UP, MovingDir::DOWN, MovingDir::LEFT, MovingDir::RIGHT}) {
        if (!cb(d)) {
            return false;
        }
    }
    return true;
}

StartOrEnd inv(StartOrEnd s) {
    switch (s) {
        case StartOrEnd::START:
            return StartOrEnd::END;
        case StartOrEnd::END:
            return StartOrEnd::START;
    }
    LX_WARNING("The value 0x%x is unknown value in StartOrEnd.inv()", static_cast<unsigned>(s));
    return s;
}

std::string to_string(StartOrEnd s) {
    switch (s) {
        case StartOrEnd::START:
            return "START";
        case StartOrEnd::END:
            return "END";
    }
    return "(unknown)";
}

const char* to_nick(StartOrEnd s) {
    switch (s) {
        case StartOrEnd::START:
            return "start";
        case StartOrEnd::END:
            return "end";
    }
    return "";
}
