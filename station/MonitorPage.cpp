#include "station/MonitorPage.h"

namespace {

const char* const HTML_HEAD = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Sound level station</title>
<link rel="stylesheet" href="/page.css">
<script src="/page.js" defer></script>
</head>
<body>
<header>
  <h1>Sound level station</h1>
  <div class="links">
    <span id="logger" class="pill">Logger</span>
    <span id="broker" class="pill" hidden>Broker</span>
    <span id="live" class="pill">Live</span>
  </div>
</header>
<main>
  <section class="card now">
    <div class="label">Level now</div>
    <div class="reading"><span id="level">--.-</span><span id="unit" class="unit">dB(A)</span></div>
    <div class="when"><time id="level-time">no reading yet</time></div>
    <div id="alarm" class="alarm off">Alarm off</div>
  </section>
  <section class="card run">
    <div class="label">This run <span id="run-start" class="small"></span></div>
    <dl>
      <div><dt id="leq-label">LAeq</dt><dd id="run-leq">--</dd></div>
      <div><dt id="lmax-label">LAmax</dt><dd id="run-lmax">--</dd></div>
      <div><dt id="lmin-label">LAmin</dt><dd id="run-lmin">--</dd></div>
      <div><dt>Readings</dt><dd id="run-count">0</dd></div>
    </dl>
    <div class="small" id="counts"></div>
  </section>
  <section class="card wide">
    <div class="label">Last hour</div>
    <canvas id="hour" width="600" height="180" aria-label="Levels of the last hour"></canvas>
  </section>
  <section class="card wide">
    <div class="label">Intervals</div>
    <div class="scroll">
    <table>
      <thead><tr><th>Start</th><th>End</th><th>Leq</th><th>Lmax</th><th>Lmin</th><th>L90</th></tr></thead>
      <tbody id="intervals"></tbody>
    </table>
    </div>
  </section>
  <section class="card wide">
    <div class="label">Interval Leq, last 24 hours</div>
    <canvas id="day" width="600" height="140" aria-label="Interval Leq of the last day"></canvas>
  </section>
</main>
<script type="application/json" id="initial">)html";

const char* const HTML_TAIL = R"html(</script>
</body>
</html>
)html";

}  // namespace

std::string MonitorPageHtml(const std::string& initialStatus) {
    // The status is JSON inside a script element: a '<' in it (only ever inside a string)
    // must not end the element.
    std::string status;
    status.reserve(initialStatus.size());
    for (const char c : initialStatus) {
        status += c == '<' ? std::string("\\u003c") : std::string(1, c);
    }
    return HTML_HEAD + status + HTML_TAIL;
}

const char* const MONITOR_PAGE_CSS = R"css(
:root { --bg: #f3f4f6; --card: #fff; --ink: #111827; --dim: #6b7280; --line: #e5e7eb;
  --ok: #15803d; --high: #b91c1c; --low: #1d4ed8; --plot: #2563eb; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--bg); color: var(--ink);
  font: 15px/1.4 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
header { display: flex; flex-wrap: wrap; align-items: center; justify-content: space-between;
  gap: 8px; padding: 12px 16px; background: #1f2937; color: #fff; }
h1 { font-size: 18px; margin: 0; font-weight: 600; }
.links { display: flex; gap: 6px; }
.pill { padding: 2px 10px; border-radius: 999px; font-size: 13px; background: #4b5563; }
.pill.up { background: var(--ok); }
.pill.down { background: var(--high); }
main { display: grid; gap: 12px; padding: 12px; max-width: 1200px; margin: 0 auto;
  grid-template-columns: 1fr; }
@media (min-width: 800px) { main { grid-template-columns: 1fr 1fr; } .wide { grid-column: 1 / -1; } }
.card { background: var(--card); border-radius: 10px; padding: 12px 16px;
  box-shadow: 0 1px 2px rgba(0,0,0,.08); min-width: 0; }
.label { color: var(--dim); font-size: 13px; text-transform: uppercase; letter-spacing: .04em; }
.small { font-size: 12px; color: var(--dim); text-transform: none; letter-spacing: 0; }
.reading { display: flex; align-items: baseline; gap: 8px; }
#level { font-size: 72px; font-weight: 700; font-variant-numeric: tabular-nums; line-height: 1.1; }
.unit { font-size: 24px; color: var(--dim); }
.when { color: var(--dim); }
.alarm { display: inline-block; margin-top: 8px; padding: 4px 12px; border-radius: 6px;
  font-weight: 600; color: #fff; }
.alarm.off { background: var(--ok); }
.alarm.high { background: var(--high); }
.alarm.low { background: var(--low); }
dl { display: grid; grid-template-columns: 1fr 1fr; gap: 8px; margin: 8px 0; }
dt { color: var(--dim); font-size: 13px; }
dd { margin: 0; font-size: 26px; font-weight: 600; font-variant-numeric: tabular-nums; }
canvas { width: 100%; height: auto; display: block; }
.scroll { overflow-x: auto; }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { text-align: right; padding: 4px 8px; border-bottom: 1px solid var(--line); white-space: nowrap; }
th:first-child, td:first-child, th:nth-child(2), td:nth-child(2) { text-align: left; }
tr.partial td { color: var(--dim); }
/* A phone: the start names the interval, and the levels fit beside it. */
@media (max-width: 480px) {
  th:nth-child(2), td:nth-child(2) { display: none; }
  th, td { padding: 4px 5px; }
}
)css";

const char* const MONITOR_PAGE_JS = R"js(
"use strict";
(function () {
  var HOUR_MS = 3600000;
  var ROWS = 12;
  var history = [];
  var intervals = [];
  var day = [];
  var weighting = "A";

  function el(id) { return document.getElementById(id); }
  function db(value) { return value === null || value === undefined ? "--" : value.toFixed(1); }
  /* Times are the station's own ISO 8601 local times: shown as the station's clock reads. */
  function clock(iso) { return iso ? iso.substring(11, 19) : ""; }
  function day_of(iso) { return iso ? iso.substring(0, 10) : ""; }

  function pill(id, text, up) {
    var p = el(id);
    p.textContent = text;
    p.className = "pill " + (up ? "up" : "down");
  }

  function showIntervals() {
    var body = el("intervals");
    while (body.firstChild) { body.removeChild(body.firstChild); }
    var last = intervals.slice(-ROWS).reverse();
    last.forEach(function (i) {
      var tr = document.createElement("tr");
      tr.setAttribute("data-start", i.start);
      if (i.partial) { tr.className = "partial"; }
      [clock(i.start), clock(i.end), db(i.leq_db), db(i.lmax_db), db(i.lmin_db), db(i.l90_db)]
        .forEach(function (text, k) {
          var td = document.createElement("td");
          td.textContent = text;
          td.className = ["start", "end", "leq", "lmax", "lmin", "l90"][k];
          tr.appendChild(td);
        });
      body.appendChild(tr);
    });
  }

  function addInterval(i) {
    if (!i) { return; }
    if (intervals.length && intervals[intervals.length - 1].start === i.start) { return; }
    intervals.push(i);
    day.push(i);
    showIntervals();
    drawDay();
  }

  function show(s) {
    var run = s.run;
    if (run) { weighting = run.weighting; }
    var lvl = s.level;
    el("level").textContent = lvl ? db(lvl.level_db) : "--.-";
    el("unit").textContent = "dB(" + weighting + ")";
    var t = el("level-time");
    if (lvl) {
      t.setAttribute("datetime", lvl.time);
      t.textContent = clock(lvl.time) + " " + day_of(lvl.time);
    }
    var alarm = el("alarm");
    alarm.className = "alarm " + s.alarm;
    alarm.textContent = s.alarm === "high" ? "High alarm" : s.alarm === "low" ? "Low alarm" : "Alarm off";
    ["leq", "lmax", "lmin"].forEach(function (k) {
      el(k + "-label").textContent = "L" + weighting + k.substring(1);
      el("run-" + k).textContent = run ? db(run[k + "_db"]) : "--";
    });
    el("run-count").textContent = run ? run.count : 0;
    el("run-start").textContent = run ? "since " + clock(run.start) + " " + day_of(run.start) : "";
    el("counts").textContent = s.readings + " readings, " + s.readings_without_level +
      " without a level" + (s.archive ? ", " + s.archive.pending_readings + " waiting for the archive" : "");
    pill("logger", s.logger.connected ? "Logger connected" : "Logger away", s.logger.connected);
    if (s.mqtt) {
      el("broker").hidden = false;
      pill("broker", s.mqtt.connected ? "Broker connected" : "Broker away", s.mqtt.connected);
    }
    addInterval(s.interval);
  }

  function addReading(s) {
    var lvl = s.level;
    if (!lvl || !s.run) { return; }
    var ms = Date.parse(lvl.time);
    if (history.length && history[history.length - 1][0] >= ms) { return; }
    history.push([ms, lvl.level_db]);
    while (history.length && history[0][0] <= ms - HOUR_MS) { history.shift(); }
    drawHour();
  }

  function canvasOf(id) {
    var c = el(id);
    var ratio = window.devicePixelRatio || 1;
    var w = c.clientWidth || c.width;
    if (!c.dataset.aspect) { c.dataset.aspect = c.height / c.width; c.dataset.most = c.height + 80; }
    var h = Math.min(Math.round(w * c.dataset.aspect), Number(c.dataset.most));
    if (c.width !== Math.round(w * ratio) || c.height !== Math.round(h * ratio)) {
      c.style.height = h + "px";
      c.width = Math.round(w * ratio);
      c.height = Math.round(h * ratio);
    }
    var g = c.getContext("2d");
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.clearRect(0, 0, w, h);
    g.font = "11px system-ui, sans-serif";
    return { g: g, w: w, h: c.height / ratio };
  }

  function axes(p, lo, hi, left) {
    var g = p.g;
    g.strokeStyle = "#e5e7eb";
    g.fillStyle = "#6b7280";
    g.lineWidth = 1;
    for (var v = Math.ceil(lo / 10) * 10; v <= hi; v += 10) {
      var y = p.h - 16 - (v - lo) / (hi - lo) * (p.h - 24);
      g.beginPath(); g.moveTo(left, y); g.lineTo(p.w, y); g.stroke();
      g.fillText(String(v), 2, y + 4);
    }
  }

  function range(values) {
    var lo = 30, hi = 90;
    values.forEach(function (v) {
      if (v !== null) { lo = Math.min(lo, Math.floor(v / 10) * 10); hi = Math.max(hi, Math.ceil(v / 10) * 10); }
    });
    return [lo, hi];
  }

  function drawHour() {
    var p = canvasOf("hour");
    var r = range(history.map(function (x) { return x[1]; }));
    var left = 28;
    axes(p, r[0], r[1], left);
    var end = history.length ? history[history.length - 1][0] : Date.now();
    var g = p.g;
    g.fillStyle = "#6b7280";
    g.fillText("-60 min", left, p.h - 2);
    g.fillText("now", p.w - 24, p.h - 2);
    g.strokeStyle = "#2563eb";
    g.lineWidth = 1.5;
    g.beginPath();
    var pen = false;
    history.forEach(function (x) {
      if (x[1] === null) { pen = false; return; }
      var px = left + (x[0] - (end - HOUR_MS)) / HOUR_MS * (p.w - left);
      var py = p.h - 16 - (x[1] - r[0]) / (r[1] - r[0]) * (p.h - 24);
      if (pen) { g.lineTo(px, py); } else { g.moveTo(px, py); pen = true; }
    });
    g.stroke();
  }

  function drawDay() {
    var p = canvasOf("day");
    var r = range(day.map(function (i) { return i.leq_db; }));
    var left = 28;
    axes(p, r[0], r[1], left);
    var end = day.length ? Date.parse(day[day.length - 1].end) : Date.now();
    var span = 24 * HOUR_MS;
    var g = p.g;
    g.fillStyle = "#6b7280";
    g.fillText("-24 h", left, p.h - 2);
    g.fillText("now", p.w - 24, p.h - 2);
    g.fillStyle = "#2563eb";
    day.forEach(function (i) {
      if (i.leq_db === null) { return; }
      var x0 = left + (Date.parse(i.start) - (end - span)) / span * (p.w - left);
      var x1 = left + (Date.parse(i.end) - (end - span)) / span * (p.w - left);
      var y = p.h - 16 - (i.leq_db - r[0]) / (r[1] - r[0]) * (p.h - 24);
      if (x1 > left) { g.fillRect(Math.max(x0, left), y, Math.max(x1 - x0 - 0.5, 1), p.h - 16 - y); }
    });
  }

  function start() {
    var initial = JSON.parse(el("initial").textContent);
    history = initial.history || [];
    intervals = initial.intervals || [];
    day = intervals.slice();
    show(initial);
    showIntervals();
    drawHour();
    drawDay();
    fetch("/api/intervals").then(function (r) { return r.ok ? r.json() : null; }).then(function (all) {
      if (all && all.intervals) { day = all.intervals; drawDay(); }
    }).catch(function () {});
    var events = new EventSource("/api/events");
    events.addEventListener("status", function (e) {
      var s = JSON.parse(e.data);
      show(s);
      addReading(s);
      pill("live", "Live", true);
    });
    events.onerror = function () { pill("live", "Reconnecting", false); };
    window.addEventListener("resize", function () { drawHour(); drawDay(); });
  }

  start();
})();
)js";
