#pragma once

#include <QString>

#include <chrono>
#include <map>

// What a run has done so far, for the status line of a terminal: pages written of pages
// known, PDFs finished of all, the time taken and an estimate of the time left. Pages become
// known as each conversion learns how many its PDF will give; a conversion that cannot say
// (the script methods) counts with the pages it has written.
class RunProgress {
public:
    explicit RunProgress(int pdfs) : m_pdfs(pdfs) {}

    void started(int position);
    void expected(int position, int pages);
    void written(int position, int pages);
    void finished(int position, int pagesWritten);

    int pagesWritten() const;
    int pagesKnown() const;
    // The share of the run done, 0 to 1: finished PDFs, and running ones by their pages.
    double fraction() const;

    // "[######        ]  42%  pages 130/311  PDFs 3/8  0:07 elapsed  0:10 left"
    QString statusLine(std::chrono::milliseconds elapsed) const;

private:
    struct Running {
        int expected = 0; // 0 while not known
        int written = 0;
    };

    int m_pdfs;
    int m_finished = 0;
    long long m_pagesFinished = 0; // pages written by the finished PDFs
    std::map<int, Running> m_running;
};
