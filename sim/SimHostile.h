#pragma once
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>
#include "ZephraSim.h"

// A whole response frame: status, bytes returned, the bytes.
std::vector<uint8_t> SimResponseFrame(ZephraStatus status, const void* data, uint32_t size);

// What a hostile driver did, by kind.
struct SimHostileCounts
{
    uint32_t passed = 0;     // requests served as usual
    uint32_t failed = 0;     // answered with a failure status
    uint32_t cut = 0;        // success with fewer bytes than asked for (none included)
    uint32_t garbage = 0;    // success with random bytes (records: malformed or nonsense)
    uint32_t oversized = 0;  // a frame longer than the caller's buffer
    uint32_t mismatched = 0; // a frame whose byte count disagrees with its length
    uint32_t endless = 0;    // a well-formed record that never empties the queue
    uint32_t unterminated = 0; // success, every byte non-zero: strings without their zero
    uint32_t overcounted = 0;  // a served record whose count word lies beyond its capacity
    uint32_t badReplies = 0;   // a reply record queued before the real one, malformed or foreign
    uint32_t notifications = 0;
    uint32_t deviceChanges = 0;

    uint32_t Corrupted() const
    {
        return failed + cut + garbage + oversized + mismatched + endless + unterminated + overcounted + badReplies;
    }
};

// A seeded hostile driver on top of the simulator: it answers a share of one client type's
// requests itself with failures, cut, random, oversized or mismatched frames and records
// that never empty the queue, and Tick adds random notifications and device changes.
// Requests it answers are not served, so nothing real is lost to it: every request a
// client sends still reaches the target whole or not at all.
class SimHostile
{
public:
    // percent: share of the target's requests answered with a corruption, 0 to 100.
    SimHostile(ZephraSim* sim, uint32_t seed, int32_t targetType, uint32_t percent);
    ~SimHostile();

    SimHostile(const SimHostile&) = delete;
    SimHostile& operator=(const SimHostile&) = delete;

    // Turns on the control panel's mode: the target becomes the control panel's connections
    // (its main client, its observers and its device connections, but never a connection
    // that is still opening), Tick sends the notifications it acts on with random or real
    // device words, and the answers gain unterminated strings, counts beyond capacity and
    // bad replies queued before the service's.
    void TargetControlPanel();

    // Unplugs every device of the hostile set that Tick plugged.
    void UnplugAll();

    // Starts and ends the interception of the target's requests.
    void Attach();
    void Detach();

    // One random event: a notification with random words to the target, or a device of
    // the hostile set plugged or unplugged. True when a device arrived.
    bool Tick();

    SimHostileCounts Counts() const;

private:
    bool Intercept(int32_t clientType, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply);
    uint32_t Next(uint32_t bound); // under m_lock: 0 to bound - 1
    bool IsTarget(int32_t clientType, uint32_t code) const;
    // Under m_lock: the control panel's own corruptions; false when none applies to code.
    bool PanelCorruption(uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply);
    // Under m_lock: the words of a notification for the control panel, into payload.
    uint32_t PanelNotification(uint32_t* code, uint32_t* payload);

    ZephraSim* m_sim;
    int32_t m_target;
    bool m_panel = false;
    uint32_t m_percent;
    mutable std::mutex m_lock;
    std::mt19937 m_random;
    SimHostileCounts m_counts;
    std::vector<std::string> m_plugged;
};
