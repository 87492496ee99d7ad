#pragma once
// Collects what a picture worker posts: finished pictures with their
// generation, and progress reports.
#include <QEvent>
#include <QObject>
#include <memory>
#include <utility>
#include <vector>

#include "image/PGDisplayCopy.h"

struct TPaintReceiver : QObject {
    std::vector<std::unique_ptr<TPixelGraphic>> Results;
    std::vector<uint64_t> ResultGenerations;
    std::vector<std::pair<int, int>> Progress;  // stage, percent
    bool event(QEvent* e) override {
        if (e->type() == TPaintResultEvent::EventType) {
            auto* r = static_cast<TPaintResultEvent*>(e);
            ResultGenerations.push_back(r->Generation);
            Results.push_back(std::move(r->Graphic));
            return true;
        }
        if (e->type() == TPaintProgressEvent::EventType) {
            auto* p = static_cast<TPaintProgressEvent*>(e);
            Progress.emplace_back(p->Stage, p->Percent);
            return true;
        }
        return QObject::event(e);
    }
};
