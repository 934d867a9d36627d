#pragma once

#include <QString>
#include <memory>

class Form1;

// One running instance of the simulator: its windows and the order in which they
// start and end. The program `508` and the automation tool both start it this way.
class Program {
public:
    struct Options {
        QString designPath; // the board design; the built-in one when empty
    };

    Program();
    explicit Program(const Options& options);
    ~Program();

    // The start-up sequence of the board window's load, then the board is shown.
    void start();

    Form1& board() { return *m_board; }

private:
    Options m_options;
    std::unique_ptr<Form1> m_board;
};

// The program's display name and version, from the build.
QString programVersion();
