#pragma once

#include "platform/StopToken.h"
#include "platform/walk/FolderStack.h"
#include "platform/walk/WalkerCrew.h"

#include <memory>
#include <string>
#include <vector>

// What the size walk and the removal share: a crew of walkers, each working depth first through its
// own stack of folders, and idle ones taking the shallowest unvisited subfolders from the others,
// so that trees of many small folders are shared out as well as trees of a few large ones.
template <typename Frame>
class StealingWalk {
public:
    using Stack = FolderStack<Frame>;

    // `walkers` > 0: exactly that many; 0: follow the machine.
    explicit StealingWalk(int walkers)
        : m_crew(walkers) {
        for (int i = 0; i < m_crew.capacity(); ++i) {
            m_stacks.push_back(std::make_unique<Stack>());
        }
    }

protected:
    // Runs `start()` on the first walker, then on every walker `step(index, stack)` until its stack
    // is empty, stealing more until nothing is left anywhere. `onShare(victimFrame, share)` runs
    // when a thief takes part of a frame, while neither can change.
    template <typename Start, typename Step, typename OnShare>
    void runWalkers(Start&& start, Step&& step, OnShare&& onShare) {
        m_crew.run([&](int index) {
            Stack& stack = this->stack(index);
            if (index == 0) {
                start();
            }
            for (;;) {
                while (!stack.empty()) {
                    step(index, stack);
                }
                // Nothing of its own left: no thief need look here.
                stack.stealable.store(false);
                if (steal(index, onShare)) {
                    continue;
                }
                if (!m_crew.waitForWork(index, [this] { return anyStealable(); })) {
                    return;
                }
            }
        });
    }

    Stack& stack(int index) { return *m_stacks[static_cast<std::size_t>(index)]; }

    // The next subfolder of the top frame of `stack` to go into, its folder open again if it was
    // closed to spare descriptors. False when there is none now: the frame had nothing left (and
    // is popped), or its folder was gone or replaced since it was listed (what lay below it is no
    // longer the walk's). A stop request leaves nothing to go into.
    bool takeSubfolder(Stack& stack, std::string& name, const StopToken& stop) {
        if (stop.stopRequested()) {
            stack.dropUnvisited(0);
        }
        if (!stack.takeNext(name)) {
            stack.pop();
            return false;
        }
        if (stack.top().fd >= 0) {
            return true;
        }
        int error = 0;
        const std::size_t failed = stack.reopenTop(m_crew.folderBudget(), error);
        if (failed < stack.size()) {
            stack.dropUnvisited(failed);
            return false;
        }
        return true;
    }

    // Pushes a frame whose folder is open onto walker `index`'s stack and wakes an idle walker
    // when that made work visible.
    void push(int index, Frame frame) {
        Stack& own = stack(index);
        own.push(std::move(frame), m_crew.folderBudget());
        if (own.takeNewWork()) {
            m_crew.announceWork();
        }
    }

    WalkerCrew m_crew;

private:
    bool anyStealable() const {
        for (int i = 0; i < m_crew.count(); ++i) {
            if (m_stacks[static_cast<std::size_t>(i)]->stealable.load()) {
                return true;
            }
        }
        return false;
    }

    // Takes half the unvisited subfolders of the shallowest frame any other walker has.
    template <typename OnShare>
    bool steal(int index, OnShare& onShare) {
        int victim = -1;
        int shallowest = 0;
        for (int i = 0; i < m_crew.count(); ++i) {
            Stack& other = stack(i);
            if (i == index || !other.stealable.load()) {
                continue;
            }
            const int depth = other.shallowestStealable();
            if (depth < 0) {
                other.stealable.store(false);
            } else if (victim < 0 || depth < shallowest) {
                victim = i;
                shallowest = depth;
            }
        }
        Frame share;
        if (victim < 0 || !stack(victim).stealInto(share, onShare)) {
            return false;
        }
        push(index, std::move(share));
        return true;
    }

    std::vector<std::unique_ptr<Stack>> m_stacks;
};
