#pragma once

// The busy cursor for as long as the object lives (once started); stop() and
// start() let a question to the user show the normal cursor meanwhile.
class BusyCursor {
public:
    explicit BusyCursor(bool startNow = true);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void start();
    void stop();
    bool active() const { return m_active; }

private:
    bool m_active = false;
};
