// The page: window.mantlept (the API the page itself uses and tests call) and
// the controls over it. Nothing leaves the computer: the engine runs in a
// worker of this page, on files read here.
'use strict';

(function () {
  // --- The API ----------------------------------------------------------
  let worker = null;
  let nextId = 1;
  const pending = new Map();
  let methodList = [];

  // The served page starts worker.js beside it; the page as one file holds
  // the worker's source in a text script and starts it from a Blob URL.
  let workerUrl = null;
  function startWorker() {
    if (workerUrl === null) {
      const source = document.getElementById('mantlept-worker');
      workerUrl = source
        ? URL.createObjectURL(new Blob([source.textContent], { type: 'text/javascript' }))
        : 'worker.js';
    }
    worker = new Worker(workerUrl);
    worker.onmessage = (event) => {
      const { id, reply, progress } = event.data;
      const p = pending.get(id);
      if (!p) return;
      if (progress) {
        if (p.onProgress) p.onProgress(progress);
        return;
      }
      pending.delete(id);
      p.resolve(reply);
    };
  }

  function ask(kind, payload, onProgress) {
    return new Promise((resolve) => {
      const id = nextId++;
      pending.set(id, { resolve, onProgress });
      worker.postMessage(Object.assign({ id, kind }, payload));
    });
  }

  function bytesOf(x) {
    if (typeof x === 'string') return new TextEncoder().encode(x);
    if (x instanceof Uint8Array) return x;
    if (x instanceof ArrayBuffer) return new Uint8Array(x);
    return Uint8Array.from(x);
  }

  // Comma-separated text into rows of cells (quotes as the program writes them).
  function parseCsv(text) {
    const rows = [];
    let row = [], cell = '', quoted = false;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (quoted) {
        if (c === '"' && text[i + 1] === '"') { cell += '"'; ++i; }
        else if (c === '"') quoted = false;
        else cell += c;
      } else if (c === '"') quoted = true;
      else if (c === ',') { row.push(cell); cell = ''; }
      else if (c === '\n') { row.push(cell); rows.push(row); row = []; cell = ''; }
      else if (c !== '\r') cell += c;
    }
    if (cell !== '' || row.length) { row.push(cell); rows.push(row); }
    return rows;
  }

  function stopped() {
    return { csv: '', notes: 'mantlept: stopped; no output file is left\n', exitCode: 130 };
  }

  // ferric: "none", "dialogue" or "charge-balance" (true: the dialogue's rule).
  function onFiles(kind, files, options) {
    const list = (files || []).map((f) => ({ name: f.name, bytes: bytesOf(f.bytes) }));
    const { onProgress, ...rest } = options || {};
    return ask(kind, { files: list, options: rest }, onProgress);
  }

  const api = {
    // Ends the running request (its promise gives exit code 130) and starts
    // a fresh engine.
    cancel() {
      worker.terminate();
      for (const p of pending.values()) p.resolve(stopped());
      pending.clear();
      startWorker();
      api.warmed = ask('warm', {});
    },
    // files: [{name, bytes}] (bytes: Uint8Array, ArrayBuffer or text); several
    // tables are joined by sample name. options.onProgress, if given, is called
    // with {done, total} (samples; total 0 while not known) during the run.
    calc(files, options) {
      return onFiles('calc', files, options);
    },
    // Concentrate garnets and clinopyroxenes, as `mantlept grains`: options
    // {q0, fit, pair, fitCpx, sigmaT, sigmaP, thermometer, niOlivine, bin,
    // sheet, rimCore}
    // (fit: the text of a P-T table, or {name, bytes}) give {grains, cpx,
    // sections, summary (the JSON text), svg, ptSvg, notes, exitCode}.
    grains(files, options) {
      const o = Object.assign({}, options);
      if (o.fit && typeof o.fit !== 'string') o.fit = { name: o.fit.name, bytes: bytesOf(o.fit.bytes) };
      return onFiles('grains', files, o);
    },
    // The methods side by side, as `mantlept compare`: options {barometer,
    // pressure, thermometers, thermometer, temperature, barometers, reference,
    // oxy, ferric} give {rows, summary, offsets, svg, notes, exitCode}.
    compare(files, options) {
      return onFiles('compare', files, options);
    },
    // Mineral formulae, as `mantlept formula`: options {ferric, sheet,
    // rimCore} give {rows, sites, notes, exitCode}.
    formula(files, options) {
      return onFiles('formula', files, options);
    },
    // The geotherm fit of `calc` output (or any T-P table): {summary, svg,
    // table, notes, exitCode}; {format: "json"} gives the summary as JSON.
    geotherm(csvText, options) {
      return ask('geotherm', { csvText: String(csvText), options: options || {} });
    },
    // [{kind, number, label, minerals, reads, note}], as `mantlept methods --format csv`.
    methods() {
      return methodList.map((m) => Object.assign({}, m));
    },
    parseCsv,
  };

  startWorker();
  api.ready = ask('methods', {}).then((r) => {
    const rows = parseCsv(r.csv);
    const head = rows.shift();
    methodList = rows.map((cells) => {
      const m = {};
      head.forEach((h, i) => { m[h] = h === 'number' ? Number(cells[i]) : cells[i]; });
      return m;
    });
    return api;
  });
  // Resolves once the engine has warmed up (calls made before simply wait).
  api.warmed = ask('warm', {});
  window.mantlept = api;

  // --- The controls -----------------------------------------------------
  const $ = (id) => document.getElementById(id);
  const shownRows = 1000;
  let lastCsv = '';
  let lastName = 'results';
  const urls = {};

  function setDownload(id, text, name, type) {
    const a = $(id);
    if (urls[id]) URL.revokeObjectURL(urls[id]);
    if (!text) {
      a.hidden = true;
      return;
    }
    urls[id] = URL.createObjectURL(new Blob([text], { type }));
    a.href = urls[id];
    a.download = name;
    a.hidden = false;
  }

  function option(value, text) {
    const o = document.createElement('option');
    o.value = value;
    o.textContent = text;
    return o;
  }

  // The decimals a table shows of a column (null: as written): T to 1 deg C,
  // P to 0.1 kbar (0.01 GPa), fO2 to 0.01, formulae to 0.001. Offsets are in
  // the unit of what is compared.
  function decimalsOf(column, kind) {
    if (kind === 'formula') return 3;
    if (/_offset$/.test(column)) return kind === 'offsets-P' ? 1 : 0;
    if (/^P_GPa/.test(column)) return 2;
    if (/^T(_|$)/.test(column)) return 0;
    if (/^P(_|$)/.test(column)) return 1;
    if (/^fO2/.test(column)) return 2;
    return null;
  }

  // A number as shown: whole numbers (counts, method numbers) as written.
  function shown(cell, decimals) {
    if (decimals === null || cell === '' || !/[.eE]/.test(cell)) return cell;
    const x = Number(cell);
    return Number.isFinite(x) ? x.toFixed(decimals) : cell;
  }

  // A sortable table of CSV text in <table id=id>, the first rows only, shown
  // rounded (the downloads keep every digit); `count` tells how many are shown.
  function tableView(id, count, kind) {
    let csv = '', column = -1, down = false;
    function draw() {
      const rows = parseCsv(csv);
      const head = rows.shift() || [];
      if (column >= 0) {
        const numeric = rows.every((r) => r[column] === '' || !isNaN(Number(r[column])));
        rows.sort((a, b) => {
          const x = a[column], y = b[column];
          const c = numeric ? (x === '' ? Infinity : Number(x)) - (y === '' ? Infinity : Number(y))
                            : x.localeCompare(y);
          return down ? -c : c;
        });
      }
      const decimals = head.map((h) => decimalsOf(h, view.kind));
      const tr = document.createElement('tr');
      head.forEach((h, i) => {
        const th = document.createElement('th');
        th.textContent = h + (i === column ? (down ? ' ▼' : ' ▲') : '');
        th.title = 'Sort by ' + h;
        th.onclick = () => {
          down = column === i ? !down : false;
          column = i;
          draw();
        };
        tr.append(th);
      });
      const thead = document.createElement('thead');
      thead.append(tr);
      const tbody = document.createElement('tbody');
      for (const r of rows.slice(0, shownRows)) {
        const row = document.createElement('tr');
        r.forEach((cell, i) => {
          const td = document.createElement('td');
          td.textContent = shown(cell, decimals[i] === undefined ? null : decimals[i]);
          row.append(td);
        });
        tbody.append(row);
      }
      $(id).replaceChildren(thead, tbody);
      if (count) {
        $(count).textContent = rows.length > shownRows
          ? 'The first ' + shownRows + ' of ' + rows.length + ' rows; the download has all of them.'
          : rows.length + ' rows.';
      }
    }
    const view = {
      kind,
      show(text) {
        csv = text;
        column = -1;
        draw();
      },
    };
    return view;
  }

  const results = tableView('results', 'shown', 'calc');
  const grainTable = tableView('grains-table', 'grains-shown', 'grains');
  const compareSummary = tableView('compare-summary', null, 'compare');
  const compareOffsets = tableView('compare-offsets', null, 'offsets-T');
  const formulaTable = tableView('formula-table', 'formula-shown', 'formula');
  const sitesTable = tableView('sites-table', null, 'formula');

  function fillMethods() {
    const filter = $('method-search').value.trim().toLowerCase();
    const matches = (m) => !filter || (m.number + ' ' + m.label + ' ' + m.minerals).toLowerCase().includes(filter);
    for (const [kind, id] of [['thermometer', 'thermometer'], ['barometer', 'barometer']]) {
      const select = $(id);
      const keep = select.value;
      select.replaceChildren();
      for (const m of api.methods().filter((x) => x.kind === kind && matches(x))) {
        select.append(option(m.number, m.number + '  ' + m.label + '  (' + m.minerals + ')'));
      }
      if (keep) select.value = keep;
    }
  }

  function chosenPairs() {
    return [...$('pairs').querySelectorAll('li')].map((li) => li.dataset.pair);
  }

  function addPair(pair) {
    if (chosenPairs().includes(pair) || chosenPairs().length >= 12) return;
    const li = document.createElement('li');
    li.dataset.pair = pair;
    const [t, b] = pair.split(',').map(Number);
    const label = (kind, n) => (api.methods().find((m) => m.kind === kind && m.number === n) || {}).label || '';
    li.textContent = pair + ' — ' + label('thermometer', t) + ' / ' + label('barometer', b) + ' ';
    const remove = document.createElement('button');
    remove.type = 'button';
    remove.textContent = '×';
    remove.title = 'Remove this pair';
    remove.onclick = () => { li.remove(); fillGeothermPairs(); };
    li.append(remove);
    $('pairs').append(li);
    fillGeothermPairs();
  }

  function fillGeothermPairs() {
    for (const id of ['geotherm-pair', 'grains-pair']) {
      $(id).replaceChildren(...chosenPairs().map((p) => option(p, p)));
    }
  }

  function ferric() {
    return $('ferric').value;
  }

  function source() {
    return { sheet: $('sheet').value.trim() || null, rimCore: $('rim-core').value || null };
  }

  function options() {
    const num = (id) => ($(id).value.trim() === '' ? null : Number($(id).value));
    return Object.assign({
      pairs: chosenPairs(),
      oxy: Number($('oxy').value),
      ferric: ferric(),
      iterations: num('iterations'),
      mc: num('mc') || 0,
      seed: num('seed') == null ? 1 : num('seed'),
      relSigma: num('rel-sigma'),
    }, source());
  }

  function showNotes(text, failed, id) {
    const el = $(id || 'notes');
    el.textContent = text;
    el.className = (id ? 'notes ' : '') + (failed ? 'failed' : '');
  }

  async function readFiles(id) {
    const files = [...$(id || 'analyses').files];
    return Promise.all(files.map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
  }

  let started = 0, ticker = null, counted = '';
  function showElapsed() {
    $('elapsed').textContent = counted + ((performance.now() - started) / 1000).toFixed(0) + ' s';
  }
  // Samples done of all of them (the bar moves to and fro while the total is
  // not known yet).
  function showProgress({ done, total }) {
    const bar = $('progress').querySelector('progress');
    if (total > 0) {
      bar.max = total;
      bar.value = Math.min(done, total);
      counted = done.toLocaleString('en') + ' of ' + total.toLocaleString('en') + ' samples, ';
    } else {
      bar.removeAttribute('value');
      counted = done.toLocaleString('en') + ' samples, ';
    }
    showElapsed();
  }
  function busy(on) {
    $('run').disabled = on;
    $('cancel').hidden = !on;
    $('progress').hidden = !on;
    clearInterval(ticker);
    if (on) {
      started = performance.now();
      counted = '';
      $('progress').querySelector('progress').removeAttribute('value');
      ticker = setInterval(showElapsed, 500);
      $('elapsed').textContent = '';
    }
  }

  async function run() {
    const files = await readFiles();
    if (files.length === 0) return showNotes('Choose an analysis file first.', true);
    if (chosenPairs().length === 0) return showNotes('Add at least one thermometer-barometer pair.', true);
    busy(true);
    showNotes('Running…', false);
    const r = await api.calc(files, Object.assign(options(), { onProgress: showProgress }));
    busy(false);
    showNotes(r.notes, r.exitCode !== 0);
    if (r.exitCode !== 0) return;
    lastCsv = r.csv;
    lastName = files[0].name.replace(/\.[^.]*$/, '') || 'results';
    results.show(lastCsv);
    setDownload('download', lastCsv, lastName + '_tidy.csv', 'text/csv');
    $('geotherm-step').hidden = false;
    $('grains-use-fit').disabled = false;
  }

  async function runGeotherm() {
    const r = await api.geotherm(lastCsv, { pair: $('geotherm-pair').value });
    $('geotherm-summary').textContent = r.notes + r.summary;
    $('geotherm-summary').className = r.exitCode !== 0 ? 'failed' : '';
    if (r.exitCode !== 0) {
      $('diagram').replaceChildren();
      return;
    }
    $('diagram').innerHTML = r.svg;  // the program's own SVG
    setDownload('download-summary', r.summary, lastName + '_geotherm.txt', 'text/plain');
    setDownload('download-svg', r.svg, lastName + '_geotherm.svg', 'image/svg+xml');
    setDownload('download-table', r.table, lastName + '_geotherm.csv', 'text/csv');
  }

  // The class counts of the grain summary (its class_* fields) and its other
  // counts, as a table of one row.
  function countsCsv(summary) {
    const head = [], counts = [];
    for (const [k, v] of Object.entries(summary)) {
      if (k.startsWith('class_')) { head.push(k.slice(6)); counts.push(v); }
    }
    for (const [k, v] of Object.entries(summary)) {
      if (k.startsWith('n_') && v !== null) { head.push(k); counts.push(v); }
    }
    return head.join(',') + '\n' + counts.join(',') + '\n';
  }

  async function runGrains() {
    const files = await readFiles('grains-files');
    if (files.length === 0) return showNotes('Choose a concentrate table first.', true, 'grains-notes');
    const choice = document.querySelector('input[name="grains-geotherm"]:checked').value;
    const o = Object.assign({
      thermometer: $('grains-thermometer').value,
      niOlivine: $('grains-ni-olivine').value,
      bin: $('grains-bin').value,
      sheet: source().sheet,
    });
    if (choice === 'q0') o.q0 = $('grains-q0').value;
    if (choice === 'fit') Object.assign(o, { fit: lastCsv, pair: $('grains-pair').value });
    if (choice === 'fit-cpx') o.fitCpx = true;
    showNotes('Running…', false, 'grains-notes');
    $('grains-run').disabled = true;
    const r = await api.grains(files, o);
    $('grains-run').disabled = false;
    showNotes(r.notes, r.exitCode !== 0, 'grains-notes');
    const name = files[0].name.replace(/\.[^.]*$/, '') || 'grains';
    const ok = r.exitCode === 0;
    $('grains-summary').hidden = !ok;
    $('grains-summary').textContent = r.summary;
    let summary = {};
    try { summary = ok ? JSON.parse(r.summary) : {}; } catch (e) { summary = {}; }
    tableView('grains-counts', null, 'grains').show(ok ? countsCsv(summary) : '');
    grainTable.show(ok ? r.grains : '');
    $('grains-diagram').innerHTML = ok ? r.svg : '';  // the program's own SVG
    $('grains-pt').innerHTML = ok ? r.ptSvg : '';
    setDownload('download-grains', ok && r.grains, name + '_grains.csv', 'text/csv');
    setDownload('download-cpx', ok && r.cpx, name + '_cpx.csv', 'text/csv');
    setDownload('download-sections', ok && r.sections, name + '_sections.csv', 'text/csv');
    setDownload('download-grains-svg', ok && r.svg, name + '_section.svg', 'image/svg+xml');
    setDownload('download-pt-svg', ok && r.ptSvg, name + '_cpx_pt.svg', 'image/svg+xml');
    setDownload('download-grains-summary', ok && r.summary, name + '_grains.json', 'application/json');
  }

  function compareLabels() {
    const t = $('compare-mode').value === 'thermometers';
    const fixed = $('compare-against').value === 'fixed';
    $('compare-list-label').textContent = t ? 'Thermometers' : 'Barometers';
    $('compare-value-label').textContent = t ? (fixed ? 'Pressure, kbar' : 'Barometer')
                                             : (fixed ? 'Temperature, °C' : 'Thermometer');
    $('compare-reference').placeholder = t ? '36 for thermometers' : 'a barometer';
  }

  async function runCompare() {
    const files = await readFiles();
    if (files.length === 0) return showNotes('Choose an analysis file in step 1 first.', true, 'compare-notes');
    const t = $('compare-mode').value === 'thermometers';
    const fixed = $('compare-against').value === 'fixed';
    const value = $('compare-value').value.trim();
    const o = Object.assign({ oxy: Number($('oxy').value), ferric: ferric() }, source());
    o[t ? 'thermometers' : 'barometers'] = $('compare-list').value.trim() || 'all';
    o[t ? (fixed ? 'pressure' : 'barometer') : (fixed ? 'temperature' : 'thermometer')] = value;
    if ($('compare-reference').value.trim()) o.reference = $('compare-reference').value.trim();
    showNotes('Running…', false, 'compare-notes');
    $('compare-run').disabled = true;
    const r = await api.compare(files, o);
    $('compare-run').disabled = false;
    showNotes(r.notes, r.exitCode !== 0, 'compare-notes');
    const ok = r.exitCode === 0;
    const name = files[0].name.replace(/\.[^.]*$/, '') || 'compare';
    compareSummary.show(ok ? r.summary : '');
    compareOffsets.kind = t ? 'offsets-T' : 'offsets-P';
    compareOffsets.show(ok ? r.offsets : '');
    $('compare-figure').innerHTML = ok ? r.svg : '';  // the program's own SVG
    setDownload('download-compare-rows', ok && r.rows, name + '_compare.csv', 'text/csv');
    setDownload('download-compare-summary', ok && r.summary, name + '_compare_summary.csv', 'text/csv');
    setDownload('download-compare-offsets', ok && r.offsets, name + '_compare_offsets.csv', 'text/csv');
    setDownload('download-compare-svg', ok && r.svg, name + '_compare.svg', 'image/svg+xml');
  }

  async function runFormula() {
    const files = await readFiles();
    if (files.length === 0) return showNotes('Choose an analysis file in step 1 first.', true, 'formula-notes');
    showNotes('Running…', false, 'formula-notes');
    $('formula-run').disabled = true;
    const r = await api.formula(files, Object.assign({ ferric: ferric() }, source()));
    $('formula-run').disabled = false;
    showNotes(r.notes, r.exitCode !== 0, 'formula-notes');
    const ok = r.exitCode === 0;
    const name = files[0].name.replace(/\.[^.]*$/, '') || 'formula';
    formulaTable.show(ok ? r.rows : '');
    sitesTable.show(ok ? r.sites : '');
    setDownload('download-formula', ok && r.rows, name + '_formula.csv', 'text/csv');
    setDownload('download-sites', ok && r.sites, name + '_sites.csv', 'text/csv');
  }

  // A drop zone over a file input: the dropped files become its choice.
  function dropZone(zone, input, chosen) {
    const show = () => { $(chosen).textContent = [...$(input).files].map((f) => f.name).join(', '); };
    const drop = $(zone);
    drop.ondragover = (e) => { e.preventDefault(); drop.classList.add('over'); };
    drop.ondragleave = () => drop.classList.remove('over');
    drop.ondrop = (e) => {
      e.preventDefault();
      drop.classList.remove('over');
      $(input).files = e.dataTransfer.files;
      show();
    };
    $(input).onchange = show;
  }

  function setUp() {
    fillMethods();
    const oxy = $('oxy');
    oxy.append(option(0, '0  none'));
    for (const m of api.methods().filter((x) => x.kind === 'oxybarometer')) {
      oxy.append(option(m.number, m.number + '  ' + m.label + '  (' + m.minerals + ')'));
    }
    addPair('7,5');
    $('method-search').oninput = fillMethods;
    $('add-pair').onclick = () => addPair($('thermometer').value + ',' + $('barometer').value);
    $('run').onclick = run;
    $('cancel').onclick = () => { api.cancel(); busy(false); showNotes('Stopped.', true); };
    $('geotherm-run').onclick = runGeotherm;
    $('grains-run').onclick = runGrains;
    $('compare-run').onclick = runCompare;
    $('compare-mode').onchange = compareLabels;
    $('compare-against').onchange = compareLabels;
    $('formula-run').onclick = runFormula;
    dropZone('drop', 'analyses', 'chosen');
    dropZone('grains-drop', 'grains-files', 'grains-chosen');
    $('run').disabled = false;
    $('loading').hidden = true;
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', () => api.ready.then(setUp));
  } else {
    api.ready.then(setUp);
  }
})();
