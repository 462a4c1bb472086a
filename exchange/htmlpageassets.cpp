#include "htmlpageassets.h"

namespace exchange::htmlpageassets {

const std::string_view style = R"css(
:root { color-scheme: light; --ink: #1d1f24; --soft: #5d6470; --line: #d9dde3; --accent: #7a1f5c; }
* { box-sizing: border-box; }
body { margin: 0; font: 15px/1.4 "Liberation Sans", "DejaVu Sans", Arial, sans-serif; color: var(--ink); background: #f6f5f1; }
header { padding: 18px 24px 8px; background: #2a2330; color: #fff; }
h1 { margin: 0; font-size: 28px; letter-spacing: 0.5px; }
header p { margin: 4px 0 10px; color: #d8cfe0; }
.tools { display: flex; flex-wrap: wrap; gap: 12px 20px; align-items: center; padding: 12px 24px; background: #fff; border-bottom: 1px solid var(--line); position: sticky; top: 0; z-index: 2; }
#lh-search, #lh-media { font: inherit; padding: 4px 8px; border: 1px solid #b9bfc8; border-radius: 4px; }
#lh-search { width: 22em; max-width: 60vw; }
#lh-shown { color: var(--soft); }
.sr { position: absolute; width: 1px; height: 1px; overflow: hidden; clip-path: inset(50%); white-space: nowrap; }
.views { display: inline-flex; gap: 14px; }
.views label { display: inline-flex; gap: 4px; align-items: center; cursor: pointer; }
main { padding: 0 24px 24px; }
table { border-collapse: collapse; width: 100%; }
#lh-list { margin-top: 12px; background: #fff; }
#lh-list > thead th { position: sticky; top: 57px; background: #ebe8f0; z-index: 1; cursor: pointer; user-select: none; }
#lh-list > thead th.cover { cursor: default; width: 56px; }
#lh-list.nocovers .cover { display: none; }
td.cover { padding: 3px 8px; }
td.cover img { display: block; width: 44px; height: 44px; object-fit: contain; }
#lh-list > thead th[aria-sort="ascending"]::after { content: " \25B2"; }
#lh-list > thead th[aria-sort="descending"]::after { content: " \25BC"; }
th, td { text-align: left; padding: 5px 8px; border-bottom: 1px solid var(--line); vertical-align: top; }
th { font-weight: bold; white-space: nowrap; }
td.num { text-align: right; color: var(--soft); font-variant-numeric: tabular-nums; }
button.open { all: unset; cursor: pointer; color: var(--accent); font-weight: bold; }
button.open:hover, button.open:focus-visible { text-decoration: underline; }
button.open::before { content: "\25B8\00A0"; color: var(--soft); font-weight: normal; }
button.open[aria-expanded="true"]::before { content: "\25BE\00A0"; }
td.media span { display: inline-block; min-width: 2.4em; text-align: center; border-radius: 3px; padding: 0 4px; font-size: 12px; font-weight: bold; background: #ddd; }
td.media span[data-media="CD"] { background: #cfe3f7; }
td.media span[data-media="MD"] { background: #d8f0d2; }
td.media span[data-media="LP"] { background: #f1d4d4; }
td.media span[data-media="MC"] { background: #f5e6c4; }
td.media span[data-media="SG"] { background: #e6d8f2; }
td.media span[data-media="78"] { background: #d9d4cc; }
tr.detail > td { background: #faf9fc; padding: 6px 8px 14px 28px; }
tr.detail table { background: #fff; border: 1px solid var(--line); }
tr.detail th { background: #f1eff4; }
.notes { white-space: pre-wrap; margin: 4px 0 8px; color: var(--soft); }
ul.musicians { margin: 2px 0; padding-left: 20px; }
.empty { color: var(--soft); font-style: italic; padding: 16px 0; }
#lh-more { height: 1px; }
#lh-wall { display: grid; grid-template-columns: repeat(auto-fill, minmax(136px, 1fr)); gap: 12px; margin-top: 12px; }
#lh-wall[hidden] { display: none; }
button.tile { all: unset; box-sizing: border-box; display: flex; flex-direction: column; align-items: center; min-width: 0; padding: 10px 8px 8px; background: #fff; border: 1px solid var(--line); border-radius: 4px; cursor: pointer; text-align: center; }
button.tile:hover, button.tile:focus-visible { border-color: var(--accent); box-shadow: 0 0 0 1px var(--accent); }
button.tile img, .nocover { width: 88px; height: 88px; object-fit: contain; margin-bottom: 6px; }
.nocover { display: flex; align-items: center; justify-content: center; border-radius: 3px; background: #ebe8f0; color: #a39cab; font-weight: bold; font-size: 18px; }
button.tile span.artist, button.tile span.title { display: block; width: 100%; overflow: hidden; text-overflow: ellipsis; white-space: nowrap; font-size: 13px; }
button.tile span.title { color: var(--accent); font-weight: bold; }
#lh-release { width: min(860px, 92vw); max-height: 88vh; overflow: auto; padding: 18px 22px; border: 1px solid var(--line); border-radius: 6px; color: var(--ink); }
#lh-release::backdrop { background: rgba(30, 24, 36, 0.5); }
.release-head { display: flex; gap: 18px; align-items: flex-start; margin-bottom: 10px; }
.release-head img { width: 96px; height: 96px; object-fit: contain; flex: none; }
.release-head h2 { margin: 0 0 8px; font-size: 20px; color: var(--accent); }
.release-head dl { display: grid; grid-template-columns: auto 1fr; gap: 2px 14px; margin: 0; }
.release-head dt { color: var(--soft); }
.release-head dd { margin: 0; }
#lh-release-close { float: right; position: sticky; top: 0; font: inherit; padding: 4px 14px; }
#lh-stats { margin: 12px 24px 0; padding: 6px 14px; background: #fff; border: 1px solid var(--line); }
#lh-stats summary { cursor: pointer; font-weight: bold; }
#lh-stats .charts { display: flex; flex-wrap: wrap; gap: 8px 32px; }
#lh-stats figure { margin: 8px 0; }
#lh-stats figcaption { font-weight: bold; margin-bottom: 2px; }
#lh-stats svg { max-width: 100%; height: auto; font-size: 12px; fill: var(--ink); }
@media print {
  body { background: #fff; font-size: 10pt; }
  header { background: none; color: #000; padding: 0 0 6pt; }
  header p { color: #000; }
  .tools, noscript, #lh-more, dialog { display: none; }
  main { padding: 0; }
  #lh-list > thead th { position: static; background: none; border-bottom: 1.5pt solid #000; }
  #lh-list > thead th::after { content: none; }
  th, td { padding: 2pt 4pt; }
  tr { break-inside: avoid; }
  button.open { color: #000; }
  button.open::before { content: none; }
  td.media span { background: none !important; border: 0.75pt solid #000; }
  tr.detail > td { background: none; }
}
)css";

const std::string_view script = R"js(
"use strict";
(() => {
  const byId = (id) => document.getElementById(id);
  // The data blocks are parsed when first needed, then dropped from the document.
  const parseBlock = (id) => {
    const el = byId(id);
    const value = JSON.parse(el.textContent);
    el.remove();
    return value;
  };
  // [artist, title, genre, medium, publisher, catalogue no., recorded, acquired, num, notes]
  const releases = parseBlock("lh-releases");
  // [num, base64 JPEG] of each release with a cover: each picture once, however many rows show it.
  const covers = new Map(parseBlock("lh-covers"));
  let tracksByNum = null;
  let musiciansByTitle = null;
  const groupBy = (rows, key) => {
    const map = new Map();
    for (const row of rows) {
      const k = row[key];
      if (k === null) continue;
      let list = map.get(k);
      if (!list) map.set(k, (list = []));
      list.push(row);
    }
    return map;
  };
  // [num, number, title, artist, composer, musicians, artist notes, composer notes, notes, cat.]
  const tracksOf = (num) => {
    tracksByNum ??= groupBy(parseBlock("lh-tracks"), 0);
    return tracksByNum.get(num) || [];
  };
  // [track title (30 characters), musician, instrument, notes]; the first 30 characters of a
  // track's title are what links its musicians.
  const musiciansOf = (title) => {
    musiciansByTitle ??= groupBy(parseBlock("lh-musicians"), 0);
    return musiciansByTitle.get(Array.from(title).slice(0, 30).join("")) || [];
  };

  const make = (tag, text, className) => {
    const el = document.createElement(tag);
    if (text !== undefined && text !== null) el.textContent = String(text);
    if (className) el.className = className;
    return el;
  };
  const opener = (text, index) => {
    const b = make("button", text === "" ? "(nimetön)" : text, "open");
    b.type = "button";
    b.dataset.index = String(index);
    b.setAttribute("aria-expanded", "false");
    return b;
  };
  // An img only for a release with a cover: the others show nothing, never a broken picture.
  const coverImage = (num) => {
    const data = num === null ? undefined : covers.get(num);
    if (!data) return null;
    const img = make("img");
    img.alt = "";
    img.decoding = "async";
    img.src = "data:image/jpeg;base64," + data;
    return img;
  };
  const headRow = (names) => {
    const thead = make("thead");
    const tr = make("tr");
    for (const n of names) tr.append(make("th", n));
    thead.append(tr);
    return thead;
  };
  const addNotes = (parent, label, text) => {
    if (text) parent.append(make("div", label + ": " + text, "notes"));
  };

  const list = byId("lh-list");
  const rows = byId("lh-rows");
  const wall = byId("lh-wall");
  const more = byId("lh-more");
  const shown = byId("lh-shown");
  const search = byId("lh-search");
  const medium = byId("lh-media");
  const chunk = 100; // three screens or more: the less drawn a keystroke, the quicker
  let matches = [];
  let rendered = 0;

  const releaseRow = (i) => {
    const r = releases[i];
    const tr = make("tr", null, "release");
    const cover = make("td", null, "cover");
    const img = coverImage(r[8]);
    if (img) cover.append(img);
    tr.append(cover);
    tr.append(make("td", r[0]));
    const title = make("td");
    title.append(opener(r[1], i));
    tr.append(title);
    tr.append(make("td", r[2]));
    const media = make("td", null, "media");
    if (r[3]) {
      const badge = make("span", r[3]);
      badge.dataset.media = r[3];
      media.append(badge);
    }
    tr.append(media);
    tr.append(make("td", r[4]));
    tr.append(make("td", r[5]));
    tr.append(make("td", r[6]));
    tr.append(make("td", r[8], "num"));
    return tr;
  };
  const wallTile = (i) => {
    const r = releases[i];
    const tile = make("button", null, "tile");
    tile.type = "button";
    tile.dataset.index = String(i);
    tile.setAttribute("aria-haspopup", "dialog");
    tile.title = r[0] + " – " + r[1]; // the whole of what the tile may cut short
    const img = coverImage(r[8]);
    if (img) {
      tile.append(img);
    } else {
      const none = make("span", r[3], "nocover");
      none.setAttribute("aria-hidden", "true");
      tile.append(none);
    }
    tile.append(make("span", r[0], "artist"));
    tile.append(make("span", r[1] === "" ? "(nimetön)" : r[1], "title"));
    return tile;
  };
  let onWall = false;
  const renderMore = () => {
    const end = Math.min(matches.length, rendered + chunk);
    const part = document.createDocumentFragment();
    const item = onWall ? wallTile : releaseRow;
    for (; rendered < end; ++rendered) part.append(item(matches[rendered]));
    (onWall ? wall : rows).append(part);
  };
  // Only the view shown is drawn, from its start.
  const redraw = () => {
    rows.replaceChildren();
    wall.replaceChildren();
    rendered = 0;
    renderMore();
    watchAgain();
  };
  // Rows and tiles are made as the view scrolls towards its end, so a large collection opens at
  // once. Watching anew after each part: in a tall window or on a wide wall the end can still
  // be in reach, which by itself would never be told again.
  const watcher = new IntersectionObserver((entries) => {
    if (entries.some((e) => e.isIntersecting) && rendered < matches.length) {
      renderMore();
      watchAgain();
    }
  }, { rootMargin: "800px" });
  const watchAgain = () => {
    watcher.unobserve(more);
    watcher.observe(more);
  };
  watchAgain();

  // The order the list shows: the collection's own at first, a column's once its header is
  // clicked (again: the other way round).
  let order = releases.map((_, i) => i);
  const collator = new Intl.Collator(document.documentElement.lang, { sensitivity: "accent", numeric: true });
  const columns = document.querySelectorAll("#lh-list > thead th").length;
  const heads = Array.from(document.querySelectorAll("#lh-list > thead th[data-field]"));
  heads.forEach((th) => {
    th.addEventListener("click", () => {
      const descending = th.getAttribute("aria-sort") === "ascending";
      const f = Number(th.dataset.field);
      const key = (i) => (releases[i][f] === null ? "" : String(releases[i][f]));
      order = releases.map((_, i) => i);
      order.sort((a, b) => collator.compare(key(a), key(b)) || a - b);
      if (descending) order.reverse();
      for (const h of heads) h.removeAttribute("aria-sort");
      th.setAttribute("aria-sort", descending ? "descending" : "ascending");
      applyFilter();
    });
  });

  const haystacks = new Array(releases.length);
  const haystack = (i) =>
    (haystacks[i] ??= releases[i].slice(0, 9).join("\n").toLocaleLowerCase());
  // Made while the page waits for the reader, a slice at a time, so that the first keystroke on
  // a large collection does not make them all.
  const whenIdle = window.requestIdleCallback
    ? (f) => window.requestIdleCallback(f)
    : (f) => setTimeout(() => f({ timeRemaining: () => 10 }), 50);
  let prepared = 0;
  const prepare = (deadline) => {
    while (prepared < releases.length && deadline.timeRemaining() > 2) {
      for (const end = Math.min(releases.length, prepared + 500); prepared < end; ++prepared) haystack(prepared);
    }
    if (prepared < releases.length) whenIdle(prepare);
  };
  whenIdle(prepare);
  const applyFilter = () => {
    const words = search.value.toLocaleLowerCase().split(/\s+/).filter(Boolean);
    const code = medium.value;
    matches = [];
    for (const i of order) {
      if (code && releases[i][3] !== code) continue;
      if (words.length && !words.every((w) => haystack(i).includes(w))) continue;
      matches.push(i);
    }
    redraw();
    shown.textContent = matches.length
      ? "Näytetään " + matches.length + " / " + releases.length
      : "Ei osumia";
  };
  let pending = 0;
  search.addEventListener("input", () => {
    clearTimeout(pending);
    pending = setTimeout(applyFilter, 120);
  });
  medium.addEventListener("change", applyFilter);

  const trackDetail = (t) => {
    const box = make("div");
    const list = musiciansOf(t[2]);
    if (list.length) {
      const ul = make("ul", null, "musicians");
      for (const m of list) {
        const text = [m[1], m[2]].filter(Boolean).join(", ");
        ul.append(make("li", m[3] ? text + " (" + m[3] + ")" : text));
      }
      box.append(ul);
    } else {
      box.append(make("div", "Ei muusikoita", "empty"));
    }
    addNotes(box, "Esittäjästä", t[6]);
    addNotes(box, "Säveltäjästä", t[7]);
    addNotes(box, "Merkinnät", t[8]);
    return box;
  };
  const releaseDetail = (r) => {
    const box = make("div");
    addNotes(box, "Merkinnät", r[9]);
    const list = r[8] === null ? [] : tracksOf(r[8]);
    if (!list.length) {
      box.append(make("div", "Ei kappaleita", "empty"));
      return box;
    }
    const table = make("table", null, "tracks");
    table.append(headRow(["#", "Kappale", "Esittäjä", "Säveltäjä", "Muusikot"]));
    const body = make("tbody");
    list.forEach((t, k) => {
      const tr = make("tr");
      tr.append(make("td", t[1], "num"));
      const title = make("td");
      title.append(opener(t[2], k));
      tr.append(title);
      tr.append(make("td", t[3]));
      tr.append(make("td", t[4]));
      tr.append(make("td", t[5]));
      body.append(tr);
    });
    body.addEventListener("click", (e) => {
      const b = e.target.closest("button.open");
      if (b) toggle(b, 5, () => trackDetail(list[Number(b.dataset.index)]));
    });
    table.append(body);
    box.append(table);
    return box;
  };
  // Opens or closes the detail row under the row of button b.
  const toggle = (b, columns, build) => {
    const tr = b.closest("tr");
    if (b.getAttribute("aria-expanded") === "true") {
      tr.nextElementSibling.remove();
      b.setAttribute("aria-expanded", "false");
      return;
    }
    const detail = make("tr", null, "detail");
    const td = make("td");
    td.colSpan = columns;
    td.append(build());
    detail.append(td);
    tr.after(detail);
    b.setAttribute("aria-expanded", "true");
  };
  rows.addEventListener("click", (e) => {
    const b = e.target.closest("button.open");
    if (b && b.closest("tbody") === rows)
      toggle(b, columns, () => releaseDetail(releases[Number(b.dataset.index)]));
  });

  // A tile opens its release in a dialog: what its row shows, then what opening the row shows.
  const dialog = byId("lh-release");
  const dialogBody = byId("lh-release-body");
  const showRelease = (r) => {
    const head = make("div", null, "release-head");
    const img = coverImage(r[8]);
    if (img) head.append(img);
    const text = make("div");
    text.append(make("div", r[0], "artist"));
    const title = make("h2", r[1] === "" ? "(nimetön)" : r[1]);
    title.id = "lh-release-title";
    text.append(title);
    const facts = make("dl");
    for (const th of heads) {
      const value = r[Number(th.dataset.field)];
      if (Number(th.dataset.field) < 2 || value === null || value === "") continue;
      facts.append(make("dt", th.textContent), make("dd", value));
    }
    text.append(facts);
    head.append(text);
    dialogBody.replaceChildren(head, releaseDetail(r));
    dialog.showModal();
  };
  wall.addEventListener("click", (e) => {
    const tile = e.target.closest("button.tile");
    if (tile) showRelease(releases[Number(tile.dataset.index)]);
  });
  byId("lh-release-close").addEventListener("click", () => dialog.close());

  // The view the switch shows, also when the browser brings back its state on reload.
  const showView = () => {
    onWall = document.querySelector("input[name=lh-view]:checked").value === "wall";
    list.hidden = onWall;
    wall.hidden = !onWall;
  };
  for (const radio of document.querySelectorAll("input[name=lh-view]")) {
    radio.addEventListener("change", () => {
      showView();
      redraw();
    });
  }
  showView();
  if (!covers.size) list.classList.add("nocovers");

  // A printout holds every row the list stands for, not just those drawn so far.
  window.addEventListener("beforeprint", () => {
    while (rendered < matches.length) renderMore();
  });

  applyFilter();
})();
)js";

} // namespace exchange::htmlpageassets
