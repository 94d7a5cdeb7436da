#include "ScriptedSurface.h"

#include <algorithm>
#include <stdexcept>

void ScriptedSurface::OpenWindow(int width, int height, int rate) {
    frameRate = rate;
    width_ = width;
    height_ = height;
    red_ = green_ = blue_ = 255;
    script_.clear();
    if (!scripts.empty()) {
        script_ = std::move(scripts.front());
        scripts.pop_front();
    }
    flips_ = 0;
    closeReported_ = false;
    current_.clear();
    pressed_.clear();
    held_.clear();
    ++windowsOpened;
}

void ScriptedSurface::CloseWindow() {
    ++windowsClosed;
    script_.clear();
}

void ScriptedSurface::SetColor(int red, int green, int blue) {
    red_ = red;
    green_ = green;
    blue_ = blue;
}

void ScriptedSurface::DrawRect(float x, float y, float width, float height) {
    current_.push_back({DrawCall::Kind::Rect, x, y, width, height, {}, red_, green_, blue_});
}

void ScriptedSurface::DrawString(const std::string& text, float x, float y) {
    current_.push_back({DrawCall::Kind::String, x, y, 0, 0, text, red_, green_, blue_});
}

const ScriptedFrame* ScriptedSurface::FrameAt(std::size_t index) const {
    return index < script_.size() ? &script_[index] : nullptr;
}

void ScriptedSurface::Flip() {
    // A viewer that goes on after the close it was given would loop for ever: the test fails
    // instead, well after the script has ended.
    if (flips_ > script_.size() + 1000)
        throw std::runtime_error("the window was never closed");
    frames.push_back(current_);
    if (frameRate > 0)
        playedSamples = std::min(queuedSamples, playedSamples + sampleRate / frameRate);
    if (const ScriptedFrame* frame = FrameAt(flips_)) {
        for (int key : frame->presses)
            ++pressed_[key];
        held_ = frame->held;
    } else {
        held_.clear();
    }
    ++flips_;
}

int ScriptedSurface::KeyPresses(int key) {
    auto it = pressed_.find(key);
    if (it == pressed_.end())
        return 0;
    int count = it->second;
    pressed_.erase(it);
    return count;
}

int ScriptedSurface::KeyHeld(int key) {
    return std::find(held_.begin(), held_.end(), key) != held_.end() ? 1 : 0;
}

void ScriptedSurface::ClearKeys() {
    pressed_.clear();
    held_.clear();
    ++clearKeysCalls;
}

int ScriptedSurface::PointerX() {
    const ScriptedFrame* frame = FrameAt(flips_);
    return frame ? frame->pointerX : -1000;
}

int ScriptedSurface::PointerY() {
    const ScriptedFrame* frame = FrameAt(flips_);
    return frame ? frame->pointerY : -1000;
}

int ScriptedSurface::CloseRequested() {
    // An exhausted script closes the window, so that a test can never hang in a viewer loop.
    if (closeReported_ || flips_ == 0)
        return 0;
    const ScriptedFrame* last = FrameAt(flips_ - 1);
    if (last == nullptr || last->closeRequest) {
        closeReported_ = true;
        return 1;
    }
    return 0;
}

std::string ScriptedSurface::RequestFile(const std::string&, const std::string&, int,
                                         const std::string&) {
    if (fileAnswers.empty())
        return std::string();
    std::string answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

bool ScriptedSurface::QueueSamples(const std::int16_t*, std::size_t count, int rate) {
    if (!soundDevice)
        return false;
    sampleRate = rate;
    queuedSamples += static_cast<std::int64_t>(count);
    return true;
}
