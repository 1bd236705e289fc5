#pragma once

#include <ostream>
#include <string>

// The standard output of monitor's reading lines. A line that cannot be written (a reader
// that went away, a full disk) ends the run, said once on `err`: those lines are what the
// monitor is for, and a run that goes on would only lose them.
class CReadingOutput {
public:
    CReadingOutput(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    void WriteLine(const std::string& line) {
        m_out << line << std::endl;
        if (!m_out && !m_lost) {
            m_lost = true;
            m_err << "The output could not be written; the run ends.\n";
        }
    }
    // True once a line could not be written.
    bool Lost() const { return m_lost; }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_lost = false;
};
